#include "settings/package_rules.h"

#include <algorithm>
#include <cinttypes>

#include "base/format.h"
#include "base/safe_names.h"
#include "base/sjis.h"
#include "settings/registry_key_rule.h"

namespace {

std::string Number(int64_t v) { return Format("%" PRId64, v); }

bool IsBoolean(uint8_t v) { return v <= 1; }

}  // namespace

bool IsSingleFolderName(const std::string& title) {
  return IsSafeRelativeName(title) && sjis::FindChar(title, '\\') == std::string::npos &&
         sjis::FindChar(title, '/') == std::string::npos;
}

const char* BlankAtEnd(const std::string& title) {
  // The shell's Program Manager service trims blanks around a group's name,
  // quoted or not, and may count the ideographic space among them; Windows
  // keeps a leading blank in a folder name. The two would name other folders.
  static const char kWide[] = "\x81\x40";
  if (title.empty()) return nullptr;
  if (title.front() == ' ' || title.back() == ' ') return "a blank at either end";
  if (title.compare(0, 2, kWide) == 0) return "a blank at either end";
  if (title.size() >= 2) {
    // Only a whole character at the end counts: walk to the last one.
    size_t last = 0;
    for (size_t i = 0; i < title.size(); i += sjis::CharLength(title, i)) last = i;
    if (title.compare(last, std::string::npos, kWide) == 0) return "a blank at either end";
  }
  return nullptr;
}

bool IsPlainFolderName(const std::string& title) { return IsSingleFolderName(title) && !BlankAtEnd(title); }

std::vector<TSettingsProblem> CheckSettingsRules(const TZefoInstallSet& s) {
  std::vector<TSettingsProblem> problems;
  const auto refuse = [&](const std::string& field, const std::string& value, const std::string& line) {
    problems.push_back({field, value, line, true});
  };
  const auto advise = [&](const std::string& field, const std::string& value, const std::string& line) {
    problems.push_back({field, value, line, false});
  };

  if (s.Title.empty()) {
    refuse("Title", "", "Title is empty (it names the window, the program group and the instance lock)");
  } else if (!IsPlainFolderName(s.Title)) {
    // The system takes "\" in a lock's name for a namespace, and the group
    // would be a folder below another one, or outside the Start menu.
    const TNameVerdict verdict = CheckRelativeName(s.Title);
    const std::string why = verdict.fault != TNameFault::kNone ? DescribeNameFault(verdict)
                            : IsSingleFolderName(s.Title)
                                ? std::string(BlankAtEnd(s.Title)) + " is not allowed in it (the shell reads the name without it)"
                                : "\"\\\" and \"/\" are not allowed in it";
    refuse("Title", s.Title,
           "Title \"" + s.Title + "\": it names the program group's folder and the instance lock, so it must be one "
           "folder name: " + why);
  }
  if (s.DiskCount < 1)
    advise("DiskCount", Number(s.DiskCount), "DiskCount is " + Number(s.DiskCount) + ": a package has at least one disc");
  if (s.DiskIndex < 0 || s.DiskIndex >= std::max(s.DiskCount, 1))
    advise("DiskIndex", Number(s.DiskIndex), "DiskIndex is " + Number(s.DiskIndex) + ": it must be from 0 to DiskCount - 1");
  if (const uint8_t kind = static_cast<uint8_t>(s.InstallKind); kind > static_cast<uint8_t>(TInstallKind::kSystem))
    advise("InstallKind", Number(kind), "InstallKind is " + Number(kind) + ": 0, 1 or 2");
  if (s.BackgroundMode > 2)
    advise("BackgroundMode", Number(s.BackgroundMode),
           "BackgroundMode is " + Number(s.BackgroundMode) + ": 0 (centred), 1 (stretched) or 2 (tiled)");
  const struct {
    const char* name;
    uint8_t value;
  } booleans[] = {{"OpenReadme", s.OpenReadme},       {"OfferRuntimes", s.OfferRuntimes}, {"UninstallMode", s.UninstallMode},
                  {"AddOn", s.AddOn},                 {"DataInstalled", s.DataInstalled}, {"FromArchive", s.FromArchive}};
  for (const auto& b : booleans) {
    if (!IsBoolean(b.value)) advise(b.name, Number(b.value), std::string(b.name) + " is " + Number(b.value) + ": 0 or 1");
  }
  if (s.UninstallMode == 1)
    advise("UninstallMode", "1", "UninstallMode is 1: the program would start as an uninstaller, not as a launcher");
  if (!s.RegistryKey.empty() && !OwnedRegistryKeyPath(s.RegistryKey))
    refuse("RegistryKey", s.RegistryKey,
           "RegistryKey \"" + s.RegistryKey +
               "\": not a key below HKEY_CURRENT_USER\\Software the installation can own (an empty, \".\" or \"..\" "
               "part, a control character, or a key of the system's), so InstallPath could not be written");
  // Names the installer joins to the install folder: the shortcuts' targets
  // and the read-me it opens.
  const auto check_name = [&](const std::string& field, const std::string& name, bool refused) {
    const TNameVerdict verdict = CheckRelativeName(name);
    if (verdict.fault == TNameFault::kNone) return;
    problems.push_back({field, name,
                        field + " \"" + name + "\": Windows cannot create a file of this name: " + DescribeNameFault(verdict),
                        refused});
  };
  if (!s.GameExe.empty()) check_name("GameExe", s.GameExe, true);
  if (!s.ReadmeFile.empty()) check_name("ReadmeFile", s.ReadmeFile, true);
  // A listed name below the medium that cannot be a file is never found there: never copied.
  for (const std::string& name : s.CopyFiles) check_name("CopyFiles:", name, false);
  if (s.OpenReadme && s.ReadmeFile.empty()) advise("OpenReadme", "1", "OpenReadme is 1 but ReadmeFile is empty");
  for (const std::string& name : s.CopyFiles) {
    if (name != sjis::AsciiLower(name))
      advise("CopyFiles", name, "CopyFiles: \"" + name + "\" is not in lower case, so it never matches");
  }
  const struct {
    const char* name;
    const std::vector<int64_t>& discs;
    int64_t total;
  } components[] = {{"Program", s.DiskProgramSize, s.ProgramSize},
                    {"Data", s.DiskDataSize, s.DataSize},
                    {"Sound", s.DiskSoundSize, s.SoundSize},
                    {"Movie", s.DiskMovieSize, s.MovieSize}};
  for (const auto& c : components) {
    int64_t sum = 0;
    for (int64_t v : c.discs) sum += v;
    if (sum != c.total)
      advise(std::string(c.name) + "Size", Number(c.total),
             std::string(c.name) + "Size is " + Number(c.total) + " but the discs' Disk" + c.name + "Size add up to " +
                 Number(sum));
  }
  return problems;
}

std::optional<TSettingsProblem> InstallRefusal(const TZefoInstallSet& s) {
  for (TSettingsProblem& p : CheckSettingsRules(s)) {
    if (p.refuses_install) return std::move(p);
  }
  return std::nullopt;
}

std::string RefusalText(const TSettingsProblem& problem) {
  return Format("インストール設定ファイルの %s が正しくないため、インストールできません\r\n%s: \"%s\"",
                problem.field.c_str(), problem.field.c_str(), problem.value.c_str());
}

bool IsDiscOfSamePackage(const TZefoInstallSet& first, const TZefoInstallSet& later) {
  return later.Title == first.Title && later.AddOn == first.AddOn && later.FromArchive == first.FromArchive &&
         later.DiskCount == first.DiskCount;
}
