// Path helpers on Shift-JIS strings. A delimiter is the single-byte "\" (on the
// Linux build also "/"); the trail byte 0x5C of a double-byte character never is.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#ifdef _WIN32
constexpr char kPathDelimiter = '\\';
#else
constexpr char kPathDelimiter = '/';
#endif

// Index of the last delimiter in path (npos when none). With include_drive the
// drive colon of "C:name" counts as well, as it does when splitting a name off.
size_t LastDelimiter(std::string_view path, bool include_drive = false);
bool EndsWithDelimiter(std::string_view path);

// path with a delimiter appended unless its last character is one; "" gives the delimiter.
std::string AddTrailingDelimiter(std::string_view path);
// path without one trailing delimiter.
std::string RemoveTrailingDelimiter(std::string_view path);
// The same two for Windows folders whatever machine handles them (the
// installer's rules run natively in the tests too): "\" is the delimiter.
std::string AddTrailingBackslash(std::string_view folder);
std::string RemoveTrailingBackslash(std::string_view folder);

std::string ExtractFilePath(std::string_view path);  // folder part, delimiter included
std::string ExtractFileDir(std::string_view path);   // folder part without its delimiter ("C:\" stays)
std::string ExtractFileName(std::string_view path);
std::string ExtractFileExt(std::string_view path);   // from the last dot of the name on, dot included
std::string ChangeFileExt(std::string_view path, std::string_view ext);

// Registry key paths ("\"-separated): drops one trailing delimiter, then the
// last component with the delimiter before it. "a\b\" gives "a", "a" gives "".
std::string ParentKeyPath(std::string_view key_path);

// Decimal text of n with "," before every group of three digits from the right.
std::string GroupThousands(int64_t n);
