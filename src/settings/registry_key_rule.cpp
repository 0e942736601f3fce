#include "settings/registry_key_rule.h"

#include <vector>

#include "base/sjis.h"

namespace {

// Top-level keys of HKEY_CURRENT_USER\Software that the system and the shell
// keep for everybody.
const char* const kSystemKeys[] = {"Microsoft", "Classes", "Policies", "Wow6432Node", "Wine", "Clients",
                                   "RegisteredApplications", "AppDataLow"};

bool HasControlCharacter(std::string_view part) {
  for (size_t i = 0; i < part.size(); i += sjis::CharLength(part, i)) {
    if (static_cast<unsigned char>(part[i]) < 0x20) return true;
  }
  return false;
}

}  // namespace

std::optional<std::string> OwnedRegistryKeyPath(std::string_view registry_key) {
  std::string_view path = registry_key;
  if (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  if (sjis::EndsWithChar(path, '\\')) path.remove_suffix(1);
  if (path.empty()) return std::nullopt;
  const std::vector<std::string_view> parts = sjis::Split(path, "\\");
  for (std::string_view part : parts) {
    if (part.empty() || part == "." || part == ".." || HasControlCharacter(part)) return std::nullopt;
  }
  for (const char* system_key : kSystemKeys) {
    if (sjis::EqualsNoCase(parts.front(), system_key)) return std::nullopt;
  }
  return std::string(path);
}
