#include "core/system_error.h"

#include <cerrno>
#include <system_error>

std::int32_t gf_lastSystemError() { return errno; }

std::string gf_systemErrorText(std::int32_t code) { return std::generic_category().message(code); }
