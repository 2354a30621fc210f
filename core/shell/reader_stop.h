#pragma once
// A feed reader whose socket failed ends the run; the run restarts 15 seconds later.
#include <string>

void gf_stopForReaderError(const std::string& readerName, const std::string& errorText);
