#include "core/shell/reader_stop.h"

#include "core/shell/run_state.h"
#include "core/shell/status_line.h"

#include <fmt/format.h>

void gf_stopForReaderError(const std::string& readerName, const std::string& errorText) {
  gf_showMessage(fmt::format("The {} has stopped with error: {}", readerName, errorText), true);
  gf_requestStop(ExitReason::ReaderError, 15);
}
