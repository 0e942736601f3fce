// Conversions between the program's Shift-JIS (code page 932) strings and the
// encodings of its boundaries: UTF-16 for every Windows call (the W functions,
// so nothing depends on the system's ANSI code page) and UTF-8 for the tools.
// Bytes that are not valid code page 932 become U+FFFD; characters that code
// page 932 cannot hold become "?" and clear *lossless when it is given.
#pragma once

#include <string>
#include <string_view>

namespace enc {

std::u16string SjisToUtf16(std::string_view sjis);
std::string Utf16ToSjis(std::u16string_view text, bool* lossless = nullptr);

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view text);

std::string SjisToUtf8(std::string_view sjis);
std::string Utf8ToSjis(std::string_view utf8, bool* lossless = nullptr);

#ifdef _WIN32
// wchar_t is 16 bits on Windows: the forms the W functions take.
std::wstring Wide(std::string_view sjis);
std::string Narrow(std::wstring_view text);
#endif

}  // namespace enc
