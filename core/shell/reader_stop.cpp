#include "core/shell/reader_stop.h"

#include "core/shell/run_state.h"
#include "core/shell/status_line.h"

#include <fmt/format.h>
#include <mutex>

namespace {
std::mutex readerErrorMutex;
std::optional<ReaderError> firstReaderError;
} // namespace

void gf_stopForReaderError(const std::string& readerName, const std::string& errorText) {
  {
    std::lock_guard lock(readerErrorMutex);
    if (!firstReaderError) firstReaderError = ReaderError{readerName, errorText};
  }
  gf_showMessage(fmt::format("The {} has stopped with error: {}", readerName, errorText), true);
  gf_requestStop(ExitReason::ReaderError, 15);
}

std::optional<ReaderError> gf_takeReaderError() {
  std::lock_guard lock(readerErrorMutex);
  auto taken = std::move(firstReaderError);
  firstReaderError.reset();
  return taken;
}
