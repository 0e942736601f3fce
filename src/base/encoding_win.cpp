// Code page 932 through the system's own tables, named explicitly so that the
// result is the same under every system locale.
#include <windows.h>

#include "base/encoding.h"

namespace enc {
namespace {
constexpr UINT kCodePage = 932;
}

std::wstring Wide(std::string_view sjis) {
  if (sjis.empty()) return {};
  const int n = MultiByteToWideChar(kCodePage, 0, sjis.data(), static_cast<int>(sjis.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(kCodePage, 0, sjis.data(), static_cast<int>(sjis.size()), out.data(), n);
  return out;
}

static std::string NarrowChecked(std::wstring_view text, bool* lossless) {
  if (text.empty()) return {};
  BOOL defaulted = FALSE;
  const int n = WideCharToMultiByte(kCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                    &defaulted);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(kCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, "?", &defaulted);
  if (lossless && defaulted) *lossless = false;
  return out;
}

std::string Narrow(std::wstring_view text) { return NarrowChecked(text, nullptr); }

std::u16string SjisToUtf16(std::string_view sjis) {
  const std::wstring w = Wide(sjis);
  return std::u16string(w.begin(), w.end());
}

std::string Utf16ToSjis(std::u16string_view text, bool* lossless) {
  const std::wstring w(text.begin(), text.end());
  return NarrowChecked(w, lossless);
}

}  // namespace enc
