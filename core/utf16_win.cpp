#include "core/utf16.h"

#include "core/errors.h"

#include <climits>
#include <stdexcept>
#include <windows.h>

namespace {

[[noreturn]] void lf_throwConversion(DWORD error, int direction, const char* invalidText, const char* otherText) {
  throw win32::Utf8ConversionException(error == ERROR_NO_UNICODE_TRANSLATION ? invalidText : otherText,
                                       static_cast<std::int32_t>(error), direction);
}

void lf_checkLength(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX))
    throw std::overflow_error("Input string too long: size_t-length doesn't fit into int.");
}

} // namespace

std::u16string gf_utf8ToUtf16(std::string_view text) {
  if (text.empty()) return {};
  lf_checkLength(text.size());
  const int inLength = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), inLength, nullptr, 0);
  if (length == 0)
    lf_throwConversion(
        GetLastError(), 0, "Invalid UTF-8 sequence found in input string.",
        "Cannot get result string length when converting from UTF-8 to UTF-16 (MultiByteToWideChar failed).");
  std::u16string result(static_cast<std::size_t>(length), u'\0');
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), inLength,
                          reinterpret_cast<wchar_t*>(result.data()), length) == 0)
    lf_throwConversion(GetLastError(), 0, "Invalid UTF-8 sequence found in input string.",
                       "Cannot convert from UTF-8 to UTF-16 (MultiByteToWideChar failed).");
  return result;
}

std::string gf_utf16ToUtf8(std::u16string_view text) {
  if (text.empty()) return {};
  lf_checkLength(text.size());
  const int inLength = static_cast<int>(text.size());
  const auto* in = reinterpret_cast<const wchar_t*>(text.data());
  const int length = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, in, inLength, nullptr, 0, nullptr, nullptr);
  if (length == 0)
    lf_throwConversion(
        GetLastError(), 1, "Invalid UTF-16 sequence found in input string.",
        "Cannot get result string length when converting from UTF-16 to UTF-8 (WideCharToMultiByte failed).");
  std::string result(static_cast<std::size_t>(length), '\0');
  if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, in, inLength, result.data(), length, nullptr, nullptr) == 0)
    lf_throwConversion(GetLastError(), 1, "Invalid UTF-16 sequence found in input string.",
                       "Cannot convert from UTF-16 to UTF-8 (WideCharToMultiByte failed).");
  return result;
}
