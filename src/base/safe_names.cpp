#include "base/safe_names.h"

#include <algorithm>
#include <vector>

#include "base/sjis.h"

namespace {

bool IsDelimiter(char c) { return c == '\\' || c == '/'; }

// Splits at single-byte delimiters; trail bytes 0x5C stay in their component.
std::vector<std::string_view> Components(std::string_view name) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i < name.size();) {
    const size_t n = sjis::CharLength(name, i);
    if (n == 1 && IsDelimiter(name[i])) {
      parts.push_back(name.substr(start, i - start));
      start = i + 1;
    }
    i += n;
  }
  parts.push_back(name.substr(start));
  return parts;
}

bool IsDeviceName(std::string_view part) {
  // The device is the part before the first dot: "con.txt" opens CON too.
  const std::string base = sjis::AsciiUpper(part.substr(0, part.find('.')));
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" || base == "CONOUT$")
    return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '0' &&
         base[3] <= '9';
}

// A single component that may stand in a path below a folder.
bool IsSafeComponent(std::string_view part) {
  if (part.empty()) return false;
  const char last = part.back();
  // A lead byte can never be last in a well-formed name, so a final '.' or ' '
  // is a real single-byte character here.
  if (last == '.' || last == ' ') return false;  // also ".", ".."
  return !IsDeviceName(part);
}

bool HasForbiddenCharacter(std::string_view name) {
  for (size_t i = 0; i < name.size();) {
    const size_t n = sjis::CharLength(name, i);
    if (n == 1) {
      const unsigned char c = static_cast<unsigned char>(name[i]);
      if (c < 0x20 || c == ':' || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*') return true;
    }
    i += n;
  }
  return false;
}

}  // namespace

bool IsSafeRelativeName(std::string_view name) {
  if (name.empty() || HasForbiddenCharacter(name)) return false;
  for (std::string_view part : Components(name)) {
    if (!IsSafeComponent(part)) return false;
  }
  return true;
}

std::optional<std::string> NormalizeInstallFolder(std::string_view folder) {
  std::string root;
  std::string_view rest;
  if (folder.size() >= 2 && IsDelimiter(folder[0]) && IsDelimiter(folder[1])) {
    // \\server\share: both must be there and be plain names.
    const std::vector<std::string_view> parts = Components(folder.substr(2));
    if (parts.size() < 2 || !IsSafeComponent(parts[0]) || !IsSafeComponent(parts[1]) ||
        HasForbiddenCharacter(parts[0]) || HasForbiddenCharacter(parts[1]))
      return std::nullopt;
    root = "\\\\" + std::string(parts[0]) + "\\" + std::string(parts[1]);
    const size_t skip = 2 + parts[0].size() + 1 + parts[1].size();
    rest = folder.substr(std::min(skip, folder.size()));
  } else {
    const char d = folder.size() >= 3 ? folder[0] : '\0';
    const bool letter = (d >= 'A' && d <= 'Z') || (d >= 'a' && d <= 'z');
    if (!letter || folder[1] != ':' || !IsDelimiter(folder[2])) return std::nullopt;  // "C:foo" is relative
    root = std::string(1, d) + ":";
    rest = folder.substr(2);
  }
  if (HasForbiddenCharacter(rest)) return std::nullopt;
  std::vector<std::string_view> kept;
  for (std::string_view part : Components(rest)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (kept.empty()) return std::nullopt;  // above the drive or share
      kept.pop_back();
      continue;
    }
    if (!IsSafeComponent(part)) return std::nullopt;
    kept.push_back(part);
  }
  std::string result = root;
  for (std::string_view part : kept) result.append("\\").append(part);
  if (kept.empty() && root.size() == 2) result += "\\";  // "C:" alone is the current folder of C
  return result;
}
