#include "vftool/names.h"

#include "base/paths.h"
#include "base/sjis.h"

namespace vftool {
namespace {

bool IsDelimiter(char c) { return c == '\\' || c == '/'; }

}  // namespace

std::string NativeRelativePath(std::string_view name) {
  return sjis::ReplaceChar(sjis::ReplaceChar(name, '/', kPathDelimiter), '\\', kPathDelimiter);
}

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  // Iterative matching with one backtrack point for the last "*": linear in
  // practice, no recursion on hostile patterns.
  const auto equal = [](std::string_view a, std::string_view b) {
    if (a.size() == 1 && b.size() == 1 && IsDelimiter(a[0]) && IsDelimiter(b[0])) return true;
    return sjis::EqualsNoCase(a, b);
  };
  size_t n = 0, p = 0, star_p = std::string_view::npos, star_n = 0;
  while (n < name.size()) {
    const size_t nl = sjis::CharLength(name, n);
    if (p < pattern.size()) {
      const size_t pl = sjis::CharLength(pattern, p);
      if (pl == 1 && pattern[p] == '*') {
        star_p = ++p;
        star_n = n;
        continue;
      }
      if ((pl == 1 && pattern[p] == '?') || equal(name.substr(n, nl), pattern.substr(p, pl))) {
        n += nl;
        p += pl;
        continue;
      }
    }
    if (star_p == std::string_view::npos) return false;
    p = star_p;
    star_n += sjis::CharLength(name, star_n);
    n = star_n;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace vftool
