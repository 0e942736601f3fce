#include "install/uninstall_plan.h"

#include <algorithm>

#include "base/encoding.h"
#include "base/file_name_compare.h"
#include "base/format.h"
#include "base/safe_names.h"
#include "base/sjis.h"
#include "settings/package_rules.h"
#include "settings/registry_key_rule.h"
#include "install/delete_rules.h"
#include "install/install_journal.h"

namespace {

// Folders of the Start menu that the shell and the system keep for everybody,
// in English and Japanese: a title that names one is no group of its own.
const char16_t* const kShellGroupNames[] = {
    u"Programs", u"StartUp", u"Administrative Tools", u"Windows Administrative Tools", u"Windows Tools",
    u"Accessories", u"Windows Accessories", u"System Tools", u"Windows System", u"Accessibility",
    u"Windows Ease of Access", u"Maintenance", u"Windows PowerShell", u"Games", u"Start Menu",
    u"プログラム", u"スタートアップ", u"管理ツール", u"Windows 管理ツール", u"Windows ツール", u"アクセサリ",
    u"Windows アクセサリ", u"システム ツール", u"Windows システム ツール", u"ユーザー補助", u"Windows 簡単操作",
    u"メンテナンス", u"ゲーム", u"スタート メニュー"};

std::u16string Utf16(std::string_view sjis) { return enc::SjisToUtf16(sjis); }

std::u16string Join(const std::u16string& folder, std::u16string_view name) {
  std::u16string path = folder;
  if (path.empty() || (path.back() != u'\\' && path.back() != u'/')) path += u'\\';
  for (char16_t c : name) path += c == u'/' ? u'\\' : c;
  return path;
}

bool IsRecordName(const std::string& name) {
  return sjis::EqualsNoCase(name, "install.dat") || sjis::EqualsNoCase(name, "install.exe");
}

TPlannedFile PlanFile(const std::string& name, const std::u16string& install_final, const TUninstallSnapshot& snap) {
  TPlannedFile f;
  f.name = name;
  f.record = IsRecordName(name);
  if (!IsSafeRelativeName(name)) {
    f.verdict = TFileVerdict::kRefusedName;
    return f;
  }
  const auto it = snap.files.find(name);
  if (it == snap.files.end()) return f;  // not examined: nothing is known, nothing is touched
  const TFileFacts& facts = it->second;
  if (facts.link_on_way) f.verdict = TFileVerdict::kThroughLink;
  else if (!facts.exists) f.verdict = TFileVerdict::kMissing;
  else if (facts.folder) f.verdict = TFileVerdict::kFolder;
  else if (facts.open_error != 0) {
    f.verdict = TFileVerdict::kUnreadable;
    f.error = facts.open_error;
  } else {
    const std::u16string expected = Join(install_final, Utf16(name));
    // The name must come out exactly where it was recorded: anything else is
    // a link at the end (Wine follows every link) or a name the file system
    // resolved somewhere else.
    if (!facts.final_path.empty() && SameFileName(facts.final_path, expected)) {
      f.verdict = TFileVerdict::kDelete;
      f.expected_final = expected;
      for (const std::u16string& image : snap.running_images) {
        if (SameFileName(image, expected)) f.verdict = TFileVerdict::kRunning;
      }
    } else {
      f.verdict = TFileVerdict::kElsewhere;
    }
  }
  return f;
}

// The value names the install folder: by the file system's names when both
// exist, else by the stored text in normal form.
bool NamesFolder(const std::string& value, const std::u16string& value_final, const std::u16string& given,
                 const std::u16string& install_final) {
  if (!value_final.empty() && !install_final.empty())
    return SameFileName(WithoutTrailingDelimiters(value_final), WithoutTrailingDelimiters(install_final));
  const std::optional<std::string> normal = NormalizeInstallFolder(value);
  if (!normal) return false;
  const std::u16string v = Utf16(*normal);
  return (!given.empty() && SameFileName(v, given)) || (!install_final.empty() && SameFileName(v, WithoutTrailingDelimiters(install_final)));
}

TGroupPlan PlanGroup(const TZefoInstallSet& s, const std::u16string& given, const TUninstallSnapshot& snap) {
  TGroupPlan g;
  // A title made before the rule may still name its own folder exactly; only
  // the shell would read it otherwise.
  const bool legacy = !IsOwnGroupName(s.Title) && IsSingleFolderName(s.Title);
  if (!IsOwnGroupName(s.Title) && !legacy) {
    g.mode = TGroupPlan::TMode::kRefused;
    g.why = "the title " + s.Title + " is no folder name of its own: no program group is touched";
    return g;
  }
  if (!snap.group_exists) {
    g.why = "there is no program group " + s.Title;
    return g;
  }
  const std::u16string title = Utf16(s.Title);
  const std::u16string expected_folder = Join(snap.programs_folder, title);
  if (snap.group_is_link || snap.programs_folder.empty() || !SameFileName(WithoutTrailingDelimiters(snap.group_final), expected_folder)) {
    g.mode = TGroupPlan::TMode::kRefused;
    g.why = "the program group " + s.Title + " leads elsewhere: it is not touched";
    return g;
  }
  g.folder = snap.group_final;

  bool shells = false;
  for (const char16_t* name : kShellGroupNames) shells = shells || SameFileName(title, name);
  for (const std::u16string& folder : snap.shell_folders) {
    // Every group lies below the Start menu: only a group that is such a
    // folder, or holds one, is the system's.
    shells = shells || (!folder.empty() && IsSameOrAbove(g.folder, folder));
  }

  const std::u16string names[] = {title + u".lnk", title + Utf16("のアンインストール") + u".lnk",
                                  Utf16("お読みください") + u".lnk"};
  size_t others = 0;
  for (const TGroupItem& item : snap.group_items) {
    bool own = false;
    if (!item.folder && !item.target.empty()) {
      for (const std::u16string& name : names) own = own || SameFileName(item.name, name);
      own = own && ((!snap.install_final.empty() && IsInsideFolder(item.target, snap.install_final)) ||
                    (!given.empty() && IsInsideFolder(item.target, given)));
    }
    if (own) g.own_links.push_back(Join(g.folder, item.name));
    else ++others;
  }
  // The command goes only where the shell would act on this very folder.
  const std::optional<std::string> command = DeleteGroupCommand(s.Title);
  const std::optional<std::string> read = command ? GroupTheShellReads(*command) : std::nullopt;
  const bool shell_reads_own = read && SameFileName(Utf16(*read), title) && !snap.shell_group_final.empty() &&
                               SameFileName(WithoutTrailingDelimiters(snap.shell_group_final),
                                            WithoutTrailingDelimiters(g.folder));
  if (shells) {
    g.mode = g.own_links.empty() ? TGroupPlan::TMode::kNone : TGroupPlan::TMode::kOwnLinks;
    g.why = "the program group " + s.Title + " is a folder of the system's: only this installation's shortcuts go";
  } else if (others == 0 && !shell_reads_own) {
    g.mode = TGroupPlan::TMode::kOwnLinks;
    g.remove_folder = true;
    g.why = "the shell would read the group's name " + s.Title +
            " otherwise: its shortcuts and then its empty folder go one by one, without a group command";
  } else if (others == 0) {
    g.mode = TGroupPlan::TMode::kWholeGroup;
    g.command = *command;
  } else if (g.own_links.empty()) {
    g.why = "the program group " + s.Title + " holds no shortcut to this installation: it stays";
  } else {
    g.mode = TGroupPlan::TMode::kOwnLinks;
    g.why = Format("the program group %s holds %d other items: only this installation's shortcuts go", s.Title.c_str(),
                   static_cast<int>(others));
  }
  return g;
}

TRegistryPlan PlanRegistry(const TZefoInstallSet& s, const std::u16string& given, const TUninstallSnapshot& snap) {
  TRegistryPlan r;
  const std::optional<std::string> path = OwnedRegistryKeyPath(s.RegistryKey);
  if (!path) {
    if (!s.RegistryKey.empty()) r.why = "the registry key " + s.RegistryKey + " is not the product's: it is not touched";
    return r;
  }
  if (snap.install_path && !NamesFolder(*snap.install_path, snap.install_path_final, given, snap.install_final)) {
    r.why = "InstallPath names another folder (" + *snap.install_path + "): the registry key stays";
    return r;
  }
  r.key_path = *path;
  // "Company\Product" is the product's own key; a single level may be a
  // vendor's key shared with its other products.
  if (sjis::FindChar(*path, '\\') != std::string::npos) {
    r.delete_key = true;
    return r;
  }
  if (snap.install_path) r.values.push_back("InstallPath");
  if (snap.cd_drive) r.values.push_back("CDDrive");
  if (snap.made_folders) r.values.push_back(kMadeFoldersValue);
  r.why = "the registry key " + *path + " has one level: only this installation's values go, the key when empty";
  return r;
}

const char* VerdictText(TFileVerdict v) {
  switch (v) {
    case TFileVerdict::kDelete: return "delete";
    case TFileVerdict::kMissing: return "missing";
    case TFileVerdict::kRefusedName: return "skip (the name leads out of the folder)";
    case TFileVerdict::kThroughLink: return "skip (reached through a linked folder)";
    case TFileVerdict::kElsewhere: return "skip (the file system names it elsewhere)";
    case TFileVerdict::kFolder: return "keep (a folder; it goes when empty)";
    case TFileVerdict::kUnreadable: return "cannot examine";
    case TFileVerdict::kRunning: return "move out of the folder and delete at restart (a running program's image):";
    case TFileVerdict::kKeep: return "keep (its settings file stays)";
  }
  return "";
}

}  // namespace

std::vector<std::string> UninstallCandidates(const TZefoInstallSet& s, bool delete_save_data) {
  std::vector<std::string> names;
  for (const std::string& name : s.InstalledFiles) {
    if (IsSafeRelativeName(name)) names.push_back(name);
  }
  if (delete_save_data) names.push_back("save.dat");
  names.push_back("game.ini");
  for (const char* record : {"install.dat", "install.exe"}) {
    bool listed = false;
    for (const std::string& name : names) listed = listed || sjis::EqualsNoCase(name, record);
    if (!listed) names.push_back(record);
  }
  return names;
}

bool IsOwnGroupName(const std::string& title) { return IsPlainFolderName(title); }

TUninstallPlan PlanUninstall(const TZefoInstallSet& s, const std::string& install_folder, bool delete_save_data,
                             const TUninstallSnapshot& snap) {
  TUninstallPlan plan;
  const std::optional<std::string> normal = DeletableInstallFolder(install_folder, "", {});
  if (!normal || snap.install_final.empty() || snap.install_is_link ||
      !IsRemovableInstallFolder(enc::SjisToUtf16(*normal), snap.windows_folder, snap.kept_folders) ||
      !IsRemovableInstallFolder(snap.install_final, snap.windows_folder, snap.kept_folders)) {
    plan.refused = true;
    return plan;
  }
  const std::u16string given = enc::SjisToUtf16(*normal);
  const std::u16string install_final = WithoutTrailingDelimiters(snap.install_final);

  plan.steps = {TUninstallStep::kGroup,    TUninstallStep::kFiles, TUninstallStep::kClaimRecords,
                TUninstallStep::kRegistry, TUninstallStep::kEntry, TUninstallStep::kRecords,
                TUninstallStep::kFolders};
  // Recorded names first, in their order; the records themselves last.
  std::vector<TPlannedFile> records;
  std::vector<std::string> names = s.InstalledFiles;
  if (delete_save_data) names.push_back("save.dat");
  names.push_back("game.ini");
  for (const std::string& name : UninstallCandidates(s, delete_save_data)) {
    if (IsRecordName(name) && std::none_of(names.begin(), names.end(), [&](const std::string& n) {
          return sjis::EqualsNoCase(n, name);
        }))
      names.push_back(name);
  }
  for (const std::string& name : names) {
    TPlannedFile f = PlanFile(name, install_final, snap);
    (f.record ? records : plan.files).push_back(std::move(f));
  }
  // The settings file goes before the uninstaller: a settings file without
  // its uninstaller would be records nobody can act on.
  std::stable_partition(records.begin(), records.end(),
                        [](const TPlannedFile& f) { return sjis::EqualsNoCase(f.name, "install.dat"); });
  bool settings_stay = false;
  for (TPlannedFile& f : records) {
    const bool settings = sjis::EqualsNoCase(f.name, "install.dat");
    if (settings) settings_stay = settings_stay || (f.verdict != TFileVerdict::kDelete && f.verdict != TFileVerdict::kMissing);
    else if (settings_stay && (f.verdict == TFileVerdict::kDelete || f.verdict == TFileVerdict::kRunning))
      f.verdict = TFileVerdict::kKeep;
    plan.files.push_back(std::move(f));
  }

  plan.group = PlanGroup(s, given, snap);
  plan.registry = PlanRegistry(s, given, snap);
  // Known only from the product's key, and believed only when its
  // "InstallPath" names this folder.
  if (!plan.registry.key_path.empty() && snap.made_folders) {
    std::vector<std::string> kept;
    for (const std::u16string& k : snap.kept_folders) kept.push_back(enc::Utf16ToSjis(k));
    plan.parents = MadeParents(install_folder, *snap.made_folders, enc::Utf16ToSjis(snap.windows_folder), kept);
  }
  if (snap.entry_location) {
    plan.delete_entry = NamesFolder(*snap.entry_location, u"", given, install_final);
    if (!plan.delete_entry)
      plan.entry_why = "the installed-programs entry names another folder (" + *snap.entry_location + "): it stays";
  }
  return plan;
}

std::vector<std::string> TUninstallPlan::Describe() const {
  std::vector<std::string> lines;
  if (refused) return {"plan: the install folder is refused; nothing is done"};
  for (const TPlannedFile& f : files) {
    if (f.verdict == TFileVerdict::kMissing) continue;
    lines.push_back(Format("plan: %s %s%s", VerdictText(f.verdict), f.name.c_str(), f.record ? " (last, when nothing else is left)" : ""));
  }
  switch (group.mode) {
    case TGroupPlan::TMode::kWholeGroup: lines.push_back("plan: remove the program group"); break;
    case TGroupPlan::TMode::kOwnLinks:
      lines.push_back(Format("plan: remove %d shortcuts; %s", static_cast<int>(group.own_links.size()), group.why.c_str()));
      break;
    case TGroupPlan::TMode::kNone:
    case TGroupPlan::TMode::kRefused: lines.push_back("plan: " + group.why); break;
  }
  if (registry.delete_key) lines.push_back("plan: remove the registry key " + registry.key_path);
  else if (!registry.why.empty()) lines.push_back("plan: " + registry.why);
  if (delete_entry) lines.push_back("plan: remove the installed-programs entry");
  else if (!entry_why.empty()) lines.push_back("plan: " + entry_why);
  for (const std::string& parent : parents) lines.push_back("plan: remove " + parent + " when it is empty (made by the install)");
  return lines;
}
