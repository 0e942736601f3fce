// Code page 932 through the system's own tables, named explicitly so that the
// result is the same under every system locale.
#include <windows.h>

#include "base/encoding.h"
#include "base/encoding_cp932.h"
#include "base/format.h"
#include "base/system_path.h"

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

std::wstring WidePath(std::string_view sjis) {
  const std::wstring w = Wide(sjis);
  const std::u16string form = LongPathForm(std::u16string(w.begin(), w.end()));
  return std::wstring(form.begin(), form.end());
}

namespace platform {

std::u16string FromCp932(std::string_view sjis) {
  const std::wstring w = Wide(sjis);
  return std::u16string(w.begin(), w.end());
}

std::string ToCp932(std::u16string_view text) {
  if (text.empty()) return {};
  const std::wstring w(text.begin(), text.end());
  // No best fit ("ë" as "e", "¥" as the backslash): such characters take the
  // default "?", and the caller sees them when it reads the result back.
  const int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()), nullptr,
                                    0, "?", nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()), out.data(), n, "?",
                        nullptr);
  return out;
}

}  // namespace platform

std::string Narrow(std::wstring_view text, bool* lossless) {
  return Utf16ToSjisExact(std::u16string(text.begin(), text.end()), lossless);
}

std::string NarrowPath(std::wstring_view path) {
  bool exact = true;
  const std::string whole = Narrow(path, &exact);
  if (exact) return whole;
  // The short form names the same file with the names the volume keeps for
  // programs that cannot spell the long ones; it exists only for what exists.
  const std::wstring long_path(path);
  const DWORD need = GetShortPathNameW(long_path.c_str(), nullptr, 0);
  if (need > 0) {
    std::wstring buf(need, L'\0');
    const DWORD n = GetShortPathNameW(long_path.c_str(), buf.data(), need);
    if (n > 0 && n < need) {
      bool short_exact = true;
      const std::string short_form = Narrow(std::wstring_view(buf.data(), n), &short_exact);
      if (short_exact) return short_form;
    }
  }
  throw EPathError(Format("パス「%s」はこのプログラムの文字コード (シフト JIS) で表せず、短い名前もありません",
                          whole.c_str()));
}

}  // namespace enc
