#pragma once
// UTF-8 <-> UTF-16. Invalid input throws win32::Utf8ConversionException; a text longer
// than the largest int32 throws std::overflow_error.
#include <string>
#include <string_view>

std::u16string gf_utf8ToUtf16(std::string_view text);
std::string gf_utf16ToUtf8(std::u16string_view text);
