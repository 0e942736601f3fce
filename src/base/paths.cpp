#include "base/paths.h"

#include "base/sjis.h"

namespace {

bool IsDelimiterByte(char c) {
#ifdef _WIN32
  return c == '\\';
#else
  return c == '\\' || c == '/';
#endif
}

}  // namespace

size_t LastDelimiter(std::string_view path, bool include_drive) {
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < path.size();) {
    const size_t n = sjis::CharLength(path, i);
    if (n == 1 && (IsDelimiterByte(path[i]) || (include_drive && path[i] == ':'))) found = i;
    i += n;
  }
  return found;
}

bool EndsWithDelimiter(std::string_view path) {
  const size_t i = LastDelimiter(path);
  return i != std::string_view::npos && i + 1 == path.size();
}

std::string AddTrailingDelimiter(std::string_view path) {
  std::string out(path);
  if (!EndsWithDelimiter(path)) out += kPathDelimiter;
  return out;
}

std::string RemoveTrailingDelimiter(std::string_view path) {
  return std::string(EndsWithDelimiter(path) ? path.substr(0, path.size() - 1) : path);
}

std::string AddTrailingBackslash(std::string_view folder) {
  std::string out(folder);
  if (!sjis::EndsWithChar(folder, '\\')) out += '\\';
  return out;
}

std::string RemoveTrailingBackslash(std::string_view folder) {
  return std::string(sjis::EndsWithChar(folder, '\\') ? folder.substr(0, folder.size() - 1) : folder);
}

std::string ExtractFilePath(std::string_view path) {
  const size_t i = LastDelimiter(path, true);
  return i == std::string_view::npos ? std::string() : std::string(path.substr(0, i + 1));
}

std::string ExtractFileDir(std::string_view path) {
  const size_t i = LastDelimiter(path, true);
  if (i == std::string_view::npos) return {};
  // Keep the delimiter of a root: "C:\" or "/".
  if (i == 0 || path[i] == ':' || path[i - 1] == ':' || IsDelimiterByte(path[i - 1]))
    return std::string(path.substr(0, i + 1));
  return std::string(path.substr(0, i));
}

std::string ExtractFileName(std::string_view path) {
  const size_t i = LastDelimiter(path, true);
  return std::string(i == std::string_view::npos ? path : path.substr(i + 1));
}

std::string ExtractFileExt(std::string_view path) {
  const size_t start = LastDelimiter(path, true);
  const size_t name = start == std::string_view::npos ? 0 : start + 1;
  const size_t dot = sjis::FindLastChar(path.substr(name), '.');
  return dot == std::string_view::npos ? std::string() : std::string(path.substr(name + dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  const std::string old = ExtractFileExt(path);
  std::string out(path.substr(0, path.size() - old.size()));
  out += ext;
  return out;
}

std::string ParentKeyPath(std::string_view key_path) {
  std::string_view k = key_path;
  if (sjis::EndsWithChar(k, '\\')) k.remove_suffix(1);
  const size_t i = sjis::FindLastChar(k, '\\');
  return i == std::string_view::npos ? std::string() : std::string(k.substr(0, i));
}

std::string GroupThousands(int64_t n) {
  std::string digits = std::to_string(n);
  std::string out;
  if (n < 0) {
    out = "-";
    digits.erase(0, 1);
  }
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}
