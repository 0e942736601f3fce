// Strings the system writes into a caller's buffer, with the buffer sized
// from the system's own answer instead of a fixed MAX_PATH: a path may be
// longer than that, and a call given too small a buffer fails for it.
#pragma once

#include <windows.h>

#include <string>

// call(buffer, size) follows the system's convention for such calls: the
// units written without the end mark when they fit, else the size needed
// with the end mark, 0 on failure. Empty when the call fails or the answer
// keeps growing.
template <typename Call>
std::wstring SystemString(Call call) {
  std::wstring buf(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD n = call(buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) {
      // Some versions report a short buffer as a failure with this reason
      // instead of the size needed: the longest path the system takes fits.
      if (GetLastError() != ERROR_MORE_DATA && GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
      if (buf.size() > 32768) return {};
      buf.resize(32768 + 1);
      continue;
    }
    if (n < buf.size()) return std::wstring(buf.data(), n);
    buf.resize(static_cast<size_t>(n) + 1);
  }
  return {};
}
