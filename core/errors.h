#pragma once
// The program's error types. A UserErrorException is a problem the user must fix; its
// code is part of the text the user sees.
#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>
#include <system_error>

namespace hvm {

class UserErrorException : public std::runtime_error {
public:
  UserErrorException(std::int32_t code, const std::string& message);
};

} // namespace hvm

namespace win32 {

// Direction of a failed conversion: 0 UTF-8 to UTF-16, 1 UTF-16 to UTF-8.
class Utf8ConversionException : public std::exception {
public:
  Utf8ConversionException(std::string message, std::int32_t errorCode, std::int32_t direction)
      : message_(std::move(message)), errorCode_(errorCode), direction_(direction) {}
  const char* what() const noexcept override { return message_.c_str(); }
  std::int32_t errorCode() const noexcept { return errorCode_; }
  std::int32_t direction() const noexcept { return direction_; }

private:
  std::string message_;
  std::int32_t errorCode_;
  std::int32_t direction_;
};

} // namespace win32

namespace winreg {

class RegException : public std::system_error {
public:
  RegException(std::int32_t errorCode, const std::string& message)
      : std::system_error(errorCode, std::system_category(), message) {}
};

} // namespace winreg
