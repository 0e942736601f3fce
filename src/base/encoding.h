// Conversions between the program's Shift-JIS (code page 932) strings and the
// encodings of its boundaries: UTF-16 for every Windows call (the W functions,
// so nothing depends on the system's ANSI code page) and UTF-8 for the tools.
// Bytes that are not valid code page 932 become U+FFFD.
//
// Towards code page 932 nothing is approximated ("best fit"): a character
// that code page 932 cannot hold exactly becomes "?" and clears *lossless
// when it is given. "Zoë" never becomes "Zoe", nor "¥" the backslash 0x5C,
// the path delimiter.
#pragma once

#include <string>
#include <string_view>

#include "base/errors.h"

namespace enc {

std::u16string SjisToUtf16(std::string_view sjis);
// Text typed by people (the tools' input): besides the exact conversion, the
// characters that the input methods of other systems type where Windows users
// type the code page 932 ones are taken as those: U+301C WAVE DASH as 0x8160,
// U+2212 MINUS SIGN as 0x817C, U+2014 EM DASH as 0x815C, U+00A2 as 0x8191,
// U+00A3 as 0x8192, U+00AC as 0x81CA (which read back as U+FF5E, U+FF0D,
// U+2015, U+FFE0, U+FFE1, U+FFE2).
std::string Utf16ToSjis(std::u16string_view text, bool* lossless = nullptr);

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view text);

// One UTF-8 character at s[i]: its length, with *code_point set, or 0 when
// the bytes there are not one (a stray continuation byte, a cut sequence, an
// overlong form, a surrogate, a value beyond U+10FFFF). Every reader of UTF-8
// in the program and the tools decides with this one function.
size_t DecodeUtf8(std::string_view s, size_t i, char32_t* code_point);
// Appends the UTF-8 form of a code point (a character, not a surrogate).
void AppendUtf8(std::string* out, char32_t code_point);

std::string SjisToUtf8(std::string_view sjis);
std::string Utf8ToSjis(std::string_view utf8, bool* lossless = nullptr);

// The exact conversion alone, without the input-method characters above: what
// names of files and folders need, where U+301C and U+FF5E are two names.
std::string Utf16ToSjisExact(std::u16string_view text, bool* lossless = nullptr);

// The first character of text (one UTF-16 unit, or a surrogate pair) that
// code page 932 cannot hold exactly, as Utf16ToSjisExact judges; "" when it
// holds them all. Names the character that keeps a name from being used.
std::u16string FirstCharWithoutCp932(std::u16string_view text);
// A character by its code point ("U+00EB", "U+1F600"), for a Shift-JIS text
// that cannot hold the character itself.
std::string CodePointName(std::u16string_view character);

#ifdef _WIN32
// wchar_t is 16 bits on Windows: the forms the W functions take.
std::wstring Wide(std::string_view sjis);
// A path for the system's file calls: Wide, in the "\\?\" form when it is
// too long for the plain one (system_path.h).
std::wstring WidePath(std::string_view sjis);
// Exact, as Utf16ToSjisExact: for texts shown to the user, not for paths.
std::string Narrow(std::wstring_view text, bool* lossless = nullptr);
// A path the system gives (a folder, a program's file): converted exactly when
// code page 932 holds it, else its short (8.3) form, which the system gives
// for an existing file or folder when the volume keeps such names. Throws
// EPathError when neither can be held, instead of handing on a path that
// names something else.
std::string NarrowPath(std::wstring_view path);
#endif

}  // namespace enc
