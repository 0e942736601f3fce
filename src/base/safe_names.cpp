#include "base/safe_names.h"

#include <algorithm>
#include <vector>

#include "base/format.h"
#include "base/sjis.h"

namespace {

bool IsDelimiter(char c) { return c == '\\' || c == '/'; }

// Splits at single-byte delimiters; trail bytes 0x5C stay in their component.
std::vector<std::string_view> Components(std::string_view name) { return sjis::Split(name, "\\/"); }

// The device a component opens instead of a file ("CON", "COM1"), or empty.
std::string DeviceOf(std::string_view part) {
  // The device is the part before the first dot: "con.txt" opens CON too.
  std::string base = sjis::AsciiUpper(part.substr(0, part.find('.')));
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" || base == "CONOUT$")
    return base;
  if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '0' &&
      base[3] <= '9')
    return base;
  return "";
}

// The fault of a single component that would stand in a path below a folder.
TNameVerdict CheckComponent(std::string_view part) {
  TNameVerdict v;
  v.part = std::string(part);
  if (part.empty()) {
    v.fault = TNameFault::kEmptyPart;
  } else if (part == "." || part == "..") {
    v.fault = TNameFault::kDotPart;
  } else if (part.back() == '.' || part.back() == ' ') {
    // A lead byte can never be last in a well-formed name, so a final '.' or
    // ' ' is a real single-byte character here.
    v.fault = TNameFault::kTrailingDotOrSpace;
    v.character = part.back();
  } else if (const std::string device = DeviceOf(part); !device.empty()) {
    v.fault = TNameFault::kDeviceName;
    v.part = device;
  } else {
    v.part.clear();
  }
  return v;
}

bool IsSafeComponent(std::string_view part) { return CheckComponent(part).fault == TNameFault::kNone; }

// The first single-byte character no file name may hold.
TNameVerdict FindForbiddenCharacter(std::string_view name) {
  TNameVerdict v;
  for (size_t i = 0; i < name.size();) {
    const size_t n = sjis::CharLength(name, i);
    if (n == 1) {
      const unsigned char c = static_cast<unsigned char>(name[i]);
      if (c < 0x20) v.fault = TNameFault::kControlCharacter;
      else if (c == ':' || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*')
        v.fault = TNameFault::kForbiddenCharacter;
      if (v.fault != TNameFault::kNone) {
        v.character = name[i];
        return v;
      }
    }
    i += n;
  }
  return v;
}

bool HasForbiddenCharacter(std::string_view name) { return FindForbiddenCharacter(name).fault != TNameFault::kNone; }

}  // namespace

TNameVerdict CheckRelativeName(std::string_view name) {
  TNameVerdict v;
  if (name.empty()) {
    v.fault = TNameFault::kEmpty;
    return v;
  }
  v = FindForbiddenCharacter(name);
  if (v.fault != TNameFault::kNone) return v;
  const std::vector<std::string_view> parts = Components(name);
  if (parts.size() > 1 && parts[0].empty()) {
    v.fault = TNameFault::kRooted;
    return v;
  }
  for (std::string_view part : parts) {
    v = CheckComponent(part);
    if (v.fault != TNameFault::kNone) return v;
  }
  return v;
}

bool IsSafeRelativeName(std::string_view name) { return CheckRelativeName(name).fault == TNameFault::kNone; }

std::string DescribeNameFault(const TNameVerdict& v) {
  const std::string quoted = "\"" + v.part + "\"";
  switch (v.fault) {
    case TNameFault::kNone: return "";
    case TNameFault::kEmpty: return "the name is empty";
    case TNameFault::kRooted: return "it starts with a delimiter (an absolute path)";
    case TNameFault::kForbiddenCharacter:
      return std::string("\"") + v.character + "\" is not allowed in a name" +
             (v.character == ':' ? " (it names a drive or a stream)" : "");
    case TNameFault::kControlCharacter:
      return Format("the control character 0x%02X is not allowed in a name", static_cast<unsigned char>(v.character));
    case TNameFault::kEmptyPart: return "it has an empty folder name (two delimiters in a row, or one at the end)";
    case TNameFault::kDotPart: return quoted + " leads out of the folder or names no file";
    case TNameFault::kTrailingDotOrSpace:
      return quoted + (v.character == '.' ? " ends in a dot" : " ends in a space") + ", which Windows drops";
    case TNameFault::kDeviceName:
      return v.part + " is a device name (with or without an extension it opens the device, not a file)";
  }
  return "";
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
