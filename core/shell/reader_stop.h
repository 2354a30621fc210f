#pragma once
// A feed reader whose socket failed ends the run; the run restarts 15 seconds later.
#include <optional>
#include <string>

void gf_stopForReaderError(const std::string& readerName, const std::string& errorText);

// The first reader error of the run, for closing down to tell a port that another program
// holds from a passing failure; taking it clears it.
struct ReaderError {
  std::string readerName;
  std::string errorText;
};
std::optional<ReaderError> gf_takeReaderError();
