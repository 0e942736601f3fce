// Shift-JIS byte strings: the program keeps every text (file names, settings,
// messages, archive entry names) as code page 932 bytes. These helpers look at
// such strings byte by byte without ever mistaking the trail byte of a
// double-byte character for an ASCII character: 0x5C ("\") and the ASCII
// letters occur as trail bytes (ソ is 83 5C, 表 is 95 5C).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sjis {

// First byte of a double-byte character (0x81-0x9F, 0xE0-0xFC).
constexpr bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Length in bytes of the character that starts at s[i]: 2 for a lead byte that
// has a trail byte after it, else 1 (a lead byte at the very end stands alone).
inline size_t CharLength(std::string_view s, size_t i) {
  return (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

// Index of the last single-byte character c in s, or npos. Trail bytes never match.
size_t FindLastChar(std::string_view s, char c);
// Index of the first single-byte character c at or after `from`, or npos.
size_t FindChar(std::string_view s, char c, size_t from = 0);
// True when the last character of s is the single-byte character c.
bool EndsWithChar(std::string_view s, char c);

// ASCII-only case folding: A-Z <-> a-z in single-byte characters; trail bytes
// and every other byte are left alone. The result does not depend on the
// system's locale.
std::string AsciiUpper(std::string_view s);
std::string AsciiLower(std::string_view s);
// Equality under AsciiLower of both sides.
bool EqualsNoCase(std::string_view a, std::string_view b);
// Equality of two paths as names on the build machines and on Windows: under
// AsciiLower, with "/" and "\" the same delimiter (trail bytes 0x5C stay
// bytes of their character).
bool EqualsPathNoCase(std::string_view a, std::string_view b);
// Ordering under AsciiLower of both sides (<0, 0, >0).
int CompareNoCase(std::string_view a, std::string_view b);

// The pieces of s between the single-byte characters of delimiters (trail
// bytes never split): "a\\b\\" gives "a", "b", "".
std::vector<std::string_view> Split(std::string_view s, std::string_view delimiters);

// Replaces every single-byte character `from` by `to` (trail bytes untouched).
std::string ReplaceChar(std::string_view s, char from, char to);

}  // namespace sjis
