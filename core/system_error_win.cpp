#include "core/system_error.h"

#include <system_error>
#include <windows.h>

std::int32_t gf_lastSystemError() { return static_cast<std::int32_t>(GetLastError()); }

std::string gf_systemErrorText(std::int32_t code) { return std::system_category().message(code); }
