#include "install/destination.h"

#include "base/format.h"
#include "base/paths.h"
#include "base/safe_names.h"
#include "base/sjis.h"
#include "install/selection.h"

std::string VolumeRootOf(const std::string& folder) {
  if (folder.size() >= 2 && folder[0] == '\\' && folder[1] == '\\') {
    // \\server\share\: the share is what the system reports space for.
    const size_t server_end = sjis::FindChar(folder, '\\', 2);
    if (server_end == std::string::npos || server_end == 2) return "";
    const size_t share_end = sjis::FindChar(folder, '\\', server_end + 1);
    const std::string root = folder.substr(0, share_end);
    if (root.size() == server_end + 1) return "";  // no share name
    return root + "\\";
  }
  const char d = folder.empty() ? '\0' : folder[0];
  const bool letter = (d >= 'A' && d <= 'Z') || (d >= 'a' && d <= 'z');
  if (!letter || folder.size() < 3 || folder[1] != ':' || folder[2] != '\\') return "";
  return folder.substr(0, 3);
}

std::vector<std::string> AddOnNamesOf(const std::vector<std::string>& recorded) {
  std::vector<std::string> names;
  bool after_record = false;
  for (const std::string& name : recorded) {
    if (after_record) names.push_back(name);
    else after_record = sjis::EqualsNoCase(name, "install.dat");
  }
  return names;
}

TDestinationResult JudgeDestination(const TDestinationFacts& f) {
  TDestinationResult r;
  const auto refuse = [&](TDestinationVerdict verdict, std::string text, std::string log_text) {
    r.verdict = verdict;
    r.text = std::move(text);
    r.log_text = std::move(log_text);
    return r;
  };
  const std::string& text = f.folder_text;
  const char kSpecify[] = "正しいインストール先を指定してください";
  // Only a fully qualified folder below a drive or a share: a relative one
  // would resolve against whatever folder happens to be current. A root is
  // no folder of its own, and the uninstaller could not remove it.
  const std::optional<std::string> folder = NormalizeInstallFolder(text);
  if (text.size() <= 3 || !folder || folder->size() <= 3 || AddTrailingBackslash(*folder) == VolumeRootOf(*folder))
    return refuse(TDestinationVerdict::kNotQualified, kSpecify, std::string(kSpecify) + ": " + text);
  // A folder the uninstaller would refuse to empty is never installed into:
  // the installation could never be removed.
  if (!f.system_install && f.removable && !f.removable(*folder))
    return refuse(TDestinationVerdict::kRefusedFolder,
                  Format("%s\r\nこのフォルダにはインストールできません。別のフォルダを選択してください", folder->c_str()),
                  "このフォルダにはインストールできません: " + *folder);
  r.target = AddTrailingBackslash(*folder);
  // An add-on goes into an existing installation of the same title.
  if (f.add_on && !(f.holds_installation && f.holds_installation(r.target)))
    return refuse(TDestinationVerdict::kNoInstallation, kSpecify,
                  Format("%s に %s はインストールされていません", r.target.c_str(), f.title.c_str()));

  // Free space is the volume's: a drive's, or a share's. A volume that does
  // not tell is not judged; it is no volume without room.
  r.root = VolumeRootOf(*folder);
  r.need_mb = WholeMiB(f.need_bytes);
  const std::optional<uint64_t> free = f.free_bytes ? f.free_bytes(r.root) : std::nullopt;
  if (free) r.free_mb = static_cast<int64_t>(*free / 1048576u);
  if (!f.add_on && !f.system_install && f.recorded_names) {
    r.add_on_names = AddOnNamesOf(f.recorded_names(r.target));
    if (!r.add_on_names.empty()) {
      r.add_on_text = Format("このフォルダの %s には追加データがインストールされています（%d 個のファイル）。\r\n"
                             "インストールしなおすと追加データは使えなくなります。あとで追加データもインストールしなおしてください",
                             f.title.c_str(), static_cast<int>(r.add_on_names.size()));
      r.add_on_log_text = Format("the installation in %s has add-ons (%d files, such as %s): installing the base game "
                                 "again drops them; install them again afterwards",
                                 r.target.c_str(), static_cast<int>(r.add_on_names.size()), r.add_on_names[0].c_str());
    }
  }
  if (r.free_mb && r.need_mb > *r.free_mb)
    return refuse(TDestinationVerdict::kTooLittleSpace,
                  "ドライブにじゅうぶんな空き容量がありません\r\nこのまま処理を続けますか？",
                  Format("ドライブにじゅうぶんな空き容量がありません（必要 %lld MB、空き %lld MB）",
                         static_cast<long long>(r.need_mb), static_cast<long long>(*r.free_mb)));
  return r;
}
