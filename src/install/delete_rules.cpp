#include "install/delete_rules.h"

#include <algorithm>

#include "base/encoding.h"
#include "base/file_name_compare.h"
#include "base/format.h"
#include "base/safe_names.h"
#include "base/sjis.h"
#include "settings/package_rules.h"

namespace {

bool IsRoot(const std::u16string& folder) {
  if (folder.size() <= 3 && folder.size() >= 2 && folder[1] == u':') return true;  // "C:\"
  // "\\server\share": no delimiter after the share's.
  if (folder.compare(0, 2, u"\\\\") != 0) return false;
  const size_t share = folder.find(u'\\', 2);
  return share == std::u16string::npos || folder.find(u'\\', share + 1) == std::u16string::npos;
}

}  // namespace

bool IsRemovableInstallFolder(std::u16string_view folder, std::u16string_view windows_folder,
                              const std::vector<std::u16string>& kept_folders) {
  const std::u16string install = WithoutTrailingDelimiters(folder);
  if (install.empty() || IsRoot(install)) return false;
  if (!windows_folder.empty() &&
      (IsSameOrAbove(install, windows_folder) || IsSameOrAbove(WithoutTrailingDelimiters(windows_folder), install)))
    return false;
  for (const std::u16string& kept : kept_folders) {
    if (!kept.empty() && IsSameOrAbove(install, WithoutTrailingDelimiters(kept))) return false;
  }
  return true;
}

std::optional<std::string> DeletableInstallFolder(std::string_view folder, std::string_view windows_folder,
                                                  const std::vector<std::string>& kept_folders) {
  const std::optional<std::string> install = NormalizeInstallFolder(folder);
  if (!install) return std::nullopt;
  const auto normal = [](std::string_view f) {
    const std::optional<std::string> n = NormalizeInstallFolder(f);
    return n ? enc::SjisToUtf16(*n) : std::u16string();
  };
  std::vector<std::u16string> kept;
  for (const std::string& k : kept_folders) kept.push_back(normal(k));
  if (!IsRemovableInstallFolder(enc::SjisToUtf16(*install), normal(windows_folder), kept)) return std::nullopt;
  return install;
}

std::string RefusedFolderText(const std::string& folder) {
  return Format("%s\r\nこのフォルダは削除できません。アンインストールを中止します", folder.c_str());
}

std::optional<std::string> DeleteGroupCommand(std::string_view title) {
  if (title.empty() || BlankAtEnd(std::string(title))) return std::nullopt;
  for (size_t i = 0; i < title.size(); i += sjis::CharLength(title, i)) {
    if (sjis::CharLength(title, i) != 1) continue;
    const unsigned char c = static_cast<unsigned char>(title[i]);
    if (c < 0x20 || c == 0x7F || c == '"') return std::nullopt;
  }
  return "[DeleteGroup(\"" + std::string(title) + "\")]";
}

std::optional<std::string> GroupTheShellReads(std::string_view command) {
  constexpr std::string_view kHead = "[DeleteGroup(";
  if (command.substr(0, kHead.size()) != kHead) return std::nullopt;
  std::string_view rest = command.substr(kHead.size());
  std::string_view name;
  if (!rest.empty() && rest[0] == '"') {
    const size_t end = rest.find('"', 1);
    if (end == std::string_view::npos) return std::nullopt;
    name = rest.substr(1, end - 1);
  } else {
    size_t end = 0;
    while (end < rest.size() && rest[end] != ')' && rest[end] != ',') end += sjis::CharLength(rest, end);
    name = rest.substr(0, std::min(end, rest.size()));
  }
  std::string n(name);
  for (;;) {
    if (!n.empty() && n.front() == ' ') n.erase(0, 1);
    else if (!n.empty() && n.back() == ' ') n.pop_back();
    else if (n.compare(0, 2, "\x81\x40") == 0) n.erase(0, 2);
    else if (BlankAtEnd(n)) n.resize(n.size() - 2);  // the ideographic blank at the end
    else return n;
  }
}
