#pragma once
// The platform's last error code (GetLastError on Windows, errno natively) and its text.
#include <cstdint>
#include <string>

std::int32_t gf_lastSystemError();
std::string gf_systemErrorText(std::int32_t code);
