#include "wizard/delete_rules.h"

#include "base/format.h"
#include "base/safe_names.h"
#include "base/sjis.h"

namespace {

std::string WithDelimiter(std::string folder) {
  if (!sjis::EndsWithChar(folder, '\\')) folder += '\\';
  return folder;
}

// a and b in normal form: a is b, or a folder that b lies in.
bool IsSameOrAbove(const std::string& a, const std::string& b) {
  const std::string above = sjis::AsciiLower(WithDelimiter(a)), below = sjis::AsciiLower(WithDelimiter(b));
  return below.compare(0, above.size(), above) == 0;
}

bool IsRoot(const std::string& folder) {
  if (folder.size() == 3 && folder[1] == ':') return true;  // "C:\"
  // "\\server\share": no delimiter after the share's.
  return folder.compare(0, 2, "\\\\") == 0 && sjis::FindChar(folder, '\\', 2) != std::string::npos &&
         sjis::FindChar(folder, '\\', sjis::FindChar(folder, '\\', 2) + 1) == std::string::npos;
}

}  // namespace

std::optional<std::string> DeletableInstallFolder(std::string_view folder, std::string_view windows_folder,
                                                  const std::vector<std::string>& kept_folders) {
  const std::optional<std::string> install = NormalizeInstallFolder(folder);
  if (!install || IsRoot(*install)) return std::nullopt;
  if (const std::optional<std::string> windows = NormalizeInstallFolder(windows_folder)) {
    if (IsSameOrAbove(*install, *windows) || IsSameOrAbove(*windows, *install)) return std::nullopt;
  }
  for (const std::string& kept : kept_folders) {
    const std::optional<std::string> k = NormalizeInstallFolder(kept);
    if (k && IsSameOrAbove(*install, *k)) return std::nullopt;
  }
  return install;
}

std::string RefusedFolderText(const std::string& folder) {
  return Format("%s\r\nこのフォルダは削除できません。アンインストールを中止します", folder.c_str());
}

std::optional<std::string> DeleteGroupCommand(std::string_view title) {
  bool quote = false;
  for (size_t i = 0; i < title.size(); i += sjis::CharLength(title, i)) {
    if (sjis::CharLength(title, i) != 1) continue;
    const unsigned char c = static_cast<unsigned char>(title[i]);
    if (c < 0x20 || c == 0x7F || c == '"') return std::nullopt;
    if (c == '[' || c == ']' || c == '(' || c == ')' || c == ',') quote = true;
  }
  if (title.empty()) return std::nullopt;
  const std::string t(title);
  return quote ? "[DeleteGroup(\"" + t + "\")]" : "[DeleteGroup(" + t + ")]";
}
