#include "base/sjis.h"

namespace sjis {
namespace {

// Calls fn(index, length) for every character of s, in order.
template <typename Fn>
void ForEachChar(std::string_view s, Fn fn) {
  for (size_t i = 0; i < s.size();) {
    const size_t n = CharLength(s, i);
    fn(i, n);
    i += n;
  }
}

template <typename Fold>
std::string FoldAscii(std::string_view s, Fold fold) {
  std::string out(s);
  ForEachChar(s, [&](size_t i, size_t n) {
    if (n == 1) out[i] = fold(out[i]);
  });
  return out;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

size_t FindLastChar(std::string_view s, char c) {
  size_t found = std::string_view::npos;
  ForEachChar(s, [&](size_t i, size_t n) {
    if (n == 1 && s[i] == c) found = i;
  });
  return found;
}

size_t FindChar(std::string_view s, char c, size_t from) {
  for (size_t i = 0; i < s.size();) {
    const size_t n = CharLength(s, i);
    if (i >= from && n == 1 && s[i] == c) return i;
    i += n;
  }
  return std::string_view::npos;
}

bool EndsWithChar(std::string_view s, char c) {
  bool last = false;
  ForEachChar(s, [&](size_t i, size_t n) { last = (n == 1 && s[i] == c); });
  return last;
}

std::string AsciiUpper(std::string_view s) { return FoldAscii(s, UpperAscii); }
std::string AsciiLower(std::string_view s) { return FoldAscii(s, LowerAscii); }

int CompareNoCase(std::string_view a, std::string_view b) {
  // Folding both sides first keeps the character boundaries of each side its own.
  const std::string la = AsciiLower(a), lb = AsciiLower(b);
  return la.compare(lb) < 0 ? -1 : (la == lb ? 0 : 1);
}

namespace {

// Equality of a and b with every single-byte character folded. A lockstep
// walk without copies: while the two agree, their character boundaries agree
// too, as long as fold never turns a byte into a lead byte.
template <typename Fold>
bool EqualsFolded(std::string_view a, std::string_view b, Fold fold) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size();) {
    if (CharLength(a, i) == 2) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      i += 2;
    } else {
      if (fold(a[i]) != fold(b[i])) return false;
      ++i;
    }
  }
  return true;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) { return EqualsFolded(a, b, LowerAscii); }

bool EqualsPathNoCase(std::string_view a, std::string_view b) {
  return EqualsFolded(a, b, [](char c) { return c == '\\' ? '/' : LowerAscii(c); });
}

std::vector<std::string_view> Split(std::string_view s, std::string_view delimiters) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  ForEachChar(s, [&](size_t i, size_t n) {
    if (n == 1 && delimiters.find(s[i]) != std::string_view::npos) {
      parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  });
  parts.push_back(s.substr(start));
  return parts;
}

std::string ReplaceChar(std::string_view s, char from, char to) {
  std::string out(s);
  ForEachChar(s, [&](size_t i, size_t n) {
    if (n == 1 && out[i] == from) out[i] = to;
  });
  return out;
}

}  // namespace sjis
