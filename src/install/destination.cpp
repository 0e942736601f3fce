#include "install/destination.h"

#include "base/encoding.h"
#include "base/format.h"
#include "base/paths.h"
#include "base/safe_names.h"
#include "base/sjis.h"
#include "base/system_path.h"
#include "install/installed_data.h"
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

std::optional<std::string> OtherInstallationIn(const TFolderClaims& c, const std::string& title) {
  if (c.settings_file && !c.settings_readable) return std::string("install.dat");
  // Titles are compared byte for byte, as an add-on finds its installation.
  if (c.settings_file) return c.settings_title == title ? std::nullopt : std::optional<std::string>(c.settings_title);
  // Without a record in the folder, the registry tells whose it is.
  if (!c.install_path_keys.empty()) return "HKEY_CURRENT_USER\\Software\\" + c.install_path_keys[0];
  if (!c.entries.empty()) return c.entries[0];
  return std::nullopt;
}

size_t LongestNameUnits(const std::vector<std::string>& names, std::string* longest) {
  size_t most = 0;
  for (const std::string& name : names) {
    const size_t units = enc::SjisToUtf16(name).size();
    if (units <= most) continue;
    most = units;
    if (longest) *longest = name;
  }
  return most;
}

std::u16string UnspellableFolderText(std::u16string_view character) {
  return u"フォルダ名に使えない文字が含まれています: " + std::u16string(character) + u"\r\n別のフォルダ名を指定してください";
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
  const auto qualified = [](const std::optional<std::string>& folder) {
    return folder && folder->size() > 3 && AddTrailingBackslash(*folder) != VolumeRootOf(*folder);
  };
  // Only a fully qualified folder below a drive or a share: a relative one
  // would resolve against whatever folder happens to be current. A root is
  // no folder of its own, and the uninstaller could not remove it.
  const std::optional<std::string> given = NormalizeInstallFolder(text);
  if (text.size() <= 3 || !qualified(given))
    return refuse(TDestinationVerdict::kNotQualified, kSpecify, std::string(kSpecify) + ": " + text);

  // The uninstaller judges the folder the file system names: a link or a
  // short name judged by its text would let in what it refuses (Program
  // Files by its short name), or record a folder it will not empty.
  std::optional<std::string> folder = given;
  const auto refused = [&](const std::string& real) {
    const std::string named = real == *given ? real : *given + "（" + real + "）";
    return refuse(TDestinationVerdict::kRefusedFolder,
                  Format("%s\r\nこのフォルダにはインストールできません。別のフォルダを選択してください", named.c_str()),
                  "このフォルダにはインストールできません: " + named);
  };
  if (f.final_folder) {
    const std::optional<std::u16string> real = f.final_folder(*given);
    if (!real) return refused(*given);
    bool exact = true;
    const std::string sjis = enc::Utf16ToSjisExact(*real, &exact);
    // A real name code page 932 cannot spell could not be recorded as it is.
    if (!exact) return refused(*given);
    folder = NormalizeInstallFolder(sjis);
    if (!qualified(folder)) return refused(sjis);
  }
  // A folder the uninstaller would refuse to empty is never installed into:
  // the installation could never be removed.
  if (!f.system_install && f.removable && !(f.removable(*folder) && f.removable(*given))) return refused(*folder);
  // A share's server resolves its own links: the share is the name to keep
  // (a share that is a local link, as Wine makes them, resolves to a drive).
  if (VolumeRootOf(*given).rfind("\\\\", 0) == 0) folder = given;
  r.target = AddTrailingBackslash(*folder);

  // Another installation in the folder would lose its data file at the start
  // of the work and its records at the end, and could never be removed.
  if (!f.system_install && !f.add_on && f.claims) {
    if (const std::optional<std::string> other = OtherInstallationIn(f.claims(r.target), f.title))
      return refuse(TDestinationVerdict::kOtherInstallation,
                    Format("%s\r\nこのフォルダには別のソフト（%s）がインストールされています。\r\n別のフォルダを選択してください",
                           r.target.c_str(), other->c_str()),
                    Format("the folder %s holds another installation (%s); it is not installed into", r.target.c_str(),
                           other->c_str()));
  }
  // An add-on goes into an existing installation of the same title.
  if (f.add_on && !(f.holds_installation && f.holds_installation(r.target)))
    return refuse(TDestinationVerdict::kNoInstallation, kSpecify,
                  Format("%s に %s はインストールされていません", r.target.c_str(), f.title.c_str()));

  // The game, its read-me and the shell's shortcuts start only from a path
  // the system's plain calls take.
  std::string longest;
  const size_t longest_units = LongestNameUnits(f.installed_names, &longest);
  const size_t path_units = enc::SjisToUtf16(r.target).size() + longest_units;
  if (longest_units > 0 && path_units > kMaxPlainPath)
    return refuse(TDestinationVerdict::kTooLong,
                  Format("%s\r\nインストール先のフォルダ名が長すぎます。\r\n"
                         "フォルダ名とインストールするファイル名を合わせて %d 文字以内にしてください（%d 文字になります）",
                         r.target.c_str(), static_cast<int>(kMaxPlainPath), static_cast<int>(path_units)),
                  Format("the install folder %s is too long: with %s the path has %d characters, more than %d",
                         r.target.c_str(), longest.c_str(), static_cast<int>(path_units),
                         static_cast<int>(kMaxPlainPath)));

  // Free space is the volume's: a drive's, or a share's. A volume that does
  // not tell is not judged; it is no volume without room.
  r.root = VolumeRootOf(*folder);
  r.need_mb = WholeMiB(f.need_bytes);
  const std::optional<uint64_t> free = f.free_bytes ? f.free_bytes(r.root) : std::nullopt;
  if (free) r.free_mb = static_cast<int64_t>(*free / 1048576u);
  if (!f.add_on && !f.system_install && f.recorded_names) {
    const std::vector<std::string> recorded = f.recorded_names(r.target);
    r.add_on_names = AddOnNamesOf(recorded);
    // Where the data file may be kept, the add-ons may stay: the work tells
    // once it has checked it.
    if (!AddOnNoticeWaitsForCheck(recorded, f.builds_data)) {
      const TAddOnNotice notice = AddOnNoticeFor(f.title, r.target, r.add_on_names);
      r.add_on_text = notice.text;
      r.add_on_log_text = notice.log_text;
    }
  }
  if (r.free_mb && r.need_mb > *r.free_mb)
    return refuse(TDestinationVerdict::kTooLittleSpace,
                  "ドライブにじゅうぶんな空き容量がありません\r\nこのまま処理を続けますか？",
                  Format("ドライブにじゅうぶんな空き容量がありません（必要 %lld MB、空き %lld MB）",
                         static_cast<long long>(r.need_mb), static_cast<long long>(*r.free_mb)));
  return r;
}
