// Comparing names and paths as the file system compares them: in UTF-16, code
// unit by code unit, with letter case ignored the way NTFS's upper-case table
// ignores it (not only ASCII: "Ｄ.txt" and "ｄ.txt", "Ä" and "ä", Greek and
// Cyrillic letters, Roman numerals are one name each). Names converted to
// code page 932 cannot be compared this way: two code page 932 codes can
// stand for one character, and a name the code page cannot spell is lost.
#pragma once

#include <string>
#include <string_view>

// The upper-case form of one code unit (itself when it has none).
char16_t FoldNameUnit(char16_t c);
// name with every code unit folded, "/" taken as "\".
std::u16string FoldName(std::u16string_view name);

// a and b name the same file (letter case ignored, "/" as "\").
bool SameFileName(std::u16string_view a, std::u16string_view b);
// path lies inside folder (below it at any depth; not folder itself). A
// trailing delimiter of folder is optional.
bool IsInsideFolder(std::u16string_view path, std::u16string_view folder);
// folder without the "\" or "/" at its end; a drive root ("C:\") keeps its one.
std::u16string WithoutTrailingDelimiters(std::u16string_view folder);
// a is b, or a folder that b lies in.
bool IsSameOrAbove(std::u16string_view a, std::u16string_view b);
