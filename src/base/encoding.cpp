#include "base/encoding.h"

#include "base/encoding_cp932.h"

namespace enc {

std::u16string SjisToUtf16(std::string_view sjis) { return platform::FromCp932(sjis); }

namespace {

// One character (a code unit, or a surrogate pair) at i of s.
size_t CharLength(std::u16string_view s, size_t i) {
  return s[i] >= 0xD800 && s[i] <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF ? 2 : 1;
}

}  // namespace

std::string Utf16ToSjisExact(std::u16string_view text, bool* lossless) {
  std::string out = platform::ToCp932(text);
  // Whatever reads back as the text was converted exactly: the usual case,
  // checked in one pass. Otherwise character by character, so that only the
  // characters that the table approximated or could not take become "?".
  if (platform::FromCp932(out) == text) return out;
  out.clear();
  for (size_t i = 0; i < text.size();) {
    const size_t n = CharLength(text, i);
    const std::u16string_view one = text.substr(i, n);
    const std::string bytes = platform::ToCp932(one);
    if (platform::FromCp932(bytes) == one) {
      out += bytes;
    } else {
      out += '?';
      if (lossless) *lossless = false;
    }
    i += n;
  }
  return out;
}

std::u16string FirstCharWithoutCp932(std::u16string_view text) {
  if (platform::FromCp932(platform::ToCp932(text)) == text) return {};
  for (size_t i = 0; i < text.size();) {
    const size_t n = CharLength(text, i);
    const std::u16string_view one = text.substr(i, n);
    if (platform::FromCp932(platform::ToCp932(one)) != one) return std::u16string(one);
    i += n;
  }
  return {};
}

std::string CodePointName(std::u16string_view c) {
  if (c.empty()) return {};
  char32_t cp = c[0];
  if (c.size() >= 2 && c[0] >= 0xD800 && c[0] <= 0xDBFF && c[1] >= 0xDC00 && c[1] <= 0xDFFF)
    cp = 0x10000 + ((static_cast<char32_t>(c[0]) - 0xD800) << 10) + (c[1] - 0xDC00);
  static const char kHex[] = "0123456789ABCDEF";
  std::string digits;
  for (int shift = cp > 0xFFFF ? 20 : 12; shift >= 0; shift -= 4) digits += kHex[(cp >> shift) & 0xF];
  if (digits.size() > 4 && digits[0] == '0') digits.erase(0, 1);
  return "U+" + digits;
}

std::string Utf16ToSjis(std::u16string_view text, bool* lossless) {
  std::u16string mapped(text);
  for (char16_t& c : mapped) {
    switch (c) {
      case u'\u301C': c = u'\uFF5E'; break;  // WAVE DASH: FULLWIDTH TILDE, 0x8160
      case u'\u2212': c = u'\uFF0D'; break;  // MINUS SIGN: FULLWIDTH HYPHEN-MINUS, 0x817C
      case u'\u2014': c = u'\u2015'; break;  // EM DASH: HORIZONTAL BAR, 0x815C
      case u'\u00A2': c = u'\uFFE0'; break;  // CENT SIGN: FULLWIDTH, 0x8191
      case u'\u00A3': c = u'\uFFE1'; break;  // POUND SIGN: FULLWIDTH, 0x8192
      case u'\u00AC': c = u'\uFFE2'; break;  // NOT SIGN: FULLWIDTH, 0x81CA
      default: break;
    }
  }
  return Utf16ToSjisExact(mapped, lossless);
}

size_t DecodeUtf8(std::string_view s, size_t i, char32_t* code_point) {
  const unsigned char lead = static_cast<unsigned char>(s[i]);
  char32_t cp;
  size_t n;
  if (lead < 0x80) { *code_point = lead; return 1; }
  if ((lead & 0xE0) == 0xC0) { cp = lead & 0x1F; n = 2; }
  else if ((lead & 0xF0) == 0xE0) { cp = lead & 0x0F; n = 3; }
  else if ((lead & 0xF8) == 0xF0) { cp = lead & 0x07; n = 4; }
  else return 0;
  if (n > s.size() - i) return 0;
  for (size_t k = 1; k < n; ++k) {
    const unsigned char t = static_cast<unsigned char>(s[i + k]);
    if ((t & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (t & 0x3F);
  }
  // Overlong forms, surrogates and values beyond U+10FFFF are not characters.
  static const char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  *code_point = cp;
  return n;
}

void AppendUtf8(std::string* out, char32_t cp) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    char32_t cp;
    const size_t n = DecodeUtf8(s, i, &cp);
    if (n == 0) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += n;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size() * 3);
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(&out, cp);
  }
  return out;
}

std::string SjisToUtf8(std::string_view sjis) { return Utf16ToUtf8(SjisToUtf16(sjis)); }

std::string Utf8ToSjis(std::string_view utf8, bool* lossless) { return Utf16ToSjis(Utf8ToUtf16(utf8), lossless); }

}  // namespace enc
