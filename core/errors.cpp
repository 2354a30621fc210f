#include "core/errors.h"

#include <fmt/format.h>

namespace hvm {

namespace {
std::string lf_userErrorText(std::int32_t code, const std::string& message) {
  // Code 99 is the one message shown without its code.
  if (code == 99) return message;
  return fmt::format("{}: {}", code, message);
}
} // namespace

UserErrorException::UserErrorException(std::int32_t code, const std::string& message)
    : std::runtime_error(lf_userErrorText(code, message)) {}

} // namespace hvm
