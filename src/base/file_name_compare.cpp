#include "base/file_name_compare.h"

char16_t FoldNameUnit(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
  // Latin-1: à..þ without ÷; ÿ goes to Ÿ.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  // Latin Extended-A: pairs, upper case first, with the table's exceptions.
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x131 || c == 0x130 || c == 0x138 || c == 0x149 || c == 0x178 || c == 0x17F) return c;
    const bool odd_lower = (c < 0x139) || (c >= 0x14A && c < 0x178);
    if (odd_lower) return (c & 1) ? static_cast<char16_t>(c - 1) : c;
    return (c & 1) ? c : static_cast<char16_t>(c - 1);  // 0x139..0x148, 0x179..0x17E
  }
  // Greek: the plain letters, final sigma as sigma, and the accented ones.
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
  if (c == 0x3C2) return 0x3A3;
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return static_cast<char16_t>(c - 0x25);
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return static_cast<char16_t>(c - 0x3F);
  // Cyrillic.
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  // Small Roman numerals, circled letters, full-width Latin letters.
  if (c >= 0x2170 && c <= 0x217F) return static_cast<char16_t>(c - 0x10);
  if (c >= 0x24D0 && c <= 0x24E9) return static_cast<char16_t>(c - 0x1A);
  if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 0x20);
  return c;
}

std::u16string FoldName(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& c : folded) c = c == u'/' ? u'\\' : FoldNameUnit(c);
  return folded;
}

bool SameFileName(std::u16string_view a, std::u16string_view b) { return FoldName(a) == FoldName(b); }

std::u16string WithoutTrailingDelimiters(std::u16string_view folder) {
  while (folder.size() > 3 && (folder.back() == u'\\' || folder.back() == u'/')) folder.remove_suffix(1);
  return std::u16string(folder);
}

namespace {

std::u16string WithDelimiter(std::u16string_view folder) {
  std::u16string f = FoldName(folder);
  if (f.empty() || f.back() != u'\\') f += u'\\';
  return f;
}

}  // namespace

bool IsInsideFolder(std::u16string_view path, std::u16string_view folder) {
  const std::u16string f = WithDelimiter(folder), p = FoldName(path);
  return p.size() > f.size() && p.compare(0, f.size(), f) == 0;
}

bool IsSameOrAbove(std::u16string_view a, std::u16string_view b) {
  const std::u16string above = WithDelimiter(a), below = WithDelimiter(b);
  return below.compare(0, above.size(), above) == 0;
}
