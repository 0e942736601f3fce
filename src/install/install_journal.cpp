#include "install/install_journal.h"

#include <algorithm>
#include <optional>

#include "base/paths.h"
#include "base/safe_names.h"
#include "install/delete_rules.h"

namespace {

constexpr std::string_view kHeader = "zi-journal 1";
// No install folder is this deep below a folder the uninstaller keeps.
constexpr int kMostMade = 32;

struct KindWord {
  TJournalKind kind;
  std::string_view word;
  bool named;
};
constexpr KindWord kWords[] = {
    {TJournalKind::kMade, "made", true},     {TJournalKind::kFolder, "folder", true},
    {TJournalKind::kFile, "file", true},     {TJournalKind::kKept, "kept", true},
    {TJournalKind::kData, "data", false},    {TJournalKind::kGroup, "group", false},
    {TJournalKind::kLink, "link", true},     {TJournalKind::kValue, "value", true},
    {TJournalKind::kEntry, "entry", false},
};

// The temporary names a file of the installation may have while it is written:
// the copy's and the extraction's (".~zi") and the settings file's (".new~").
constexpr std::string_view kTemporarySuffixes[] = {".~zi", ".new~"};

std::optional<int> MadeCount(std::string_view text) {
  if (text.empty() || text.size() > 2) return std::nullopt;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (n < 1 || n > kMostMade) return std::nullopt;
  return n;
}

// The record a line holds, when it is one this installation could have written.
std::optional<TJournalRecord> ParseLine(std::string_view line, const std::vector<std::string>& own_links) {
  const size_t space = line.find(' ');
  const std::string_view word = line.substr(0, space);
  const std::string_view name = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
  const auto it = std::find_if(std::begin(kWords), std::end(kWords), [&](const KindWord& w) { return w.word == word; });
  if (it == std::end(kWords) || it->named == name.empty()) return std::nullopt;
  TJournalRecord record{it->kind, std::string(name)};
  switch (it->kind) {
    case TJournalKind::kMade:
      if (!MadeCount(name)) return std::nullopt;
      break;
    case TJournalKind::kFolder:
    case TJournalKind::kFile:
    case TJournalKind::kKept:
      if (!IsSafeRelativeName(name)) return std::nullopt;
      break;
    case TJournalKind::kLink:
      if (std::find(own_links.begin(), own_links.end(), name) == own_links.end()) return std::nullopt;
      break;
    case TJournalKind::kValue:
      if (name != "InstallPath" && name != kMadeFoldersValue) return std::nullopt;
      break;
    default:
      break;
  }
  return record;
}

}  // namespace

std::string JournalHeader() { return std::string(kHeader) + "\r\n"; }

std::string JournalLine(const TJournalRecord& record) {
  const auto it = std::find_if(std::begin(kWords), std::end(kWords),
                               [&](const KindWord& w) { return w.kind == record.kind; });
  std::string line(it->word);
  if (it->named) line += " " + record.name;
  return line + "\r\n";
}

std::vector<std::string> OwnShortcutNames(const TZefoInstallSet& s) {
  std::vector<std::string> names;
  if (!s.GameExe.empty()) names.push_back(s.Title);
  names.push_back(s.Title + "のアンインストール");
  if (!s.ReadmeFile.empty()) names.push_back("お読みください");
  return names;
}

TJournal ParseJournal(std::string_view bytes, const TZefoInstallSet& settings) {
  TJournal journal;
  if (static_cast<int64_t>(bytes.size()) > kJournalLimit) bytes = bytes.substr(0, kJournalLimit);
  const std::vector<std::string> own_links = OwnShortcutNames(settings);
  bool first = true;
  // Lines end in LF (CR before it dropped); neither byte is ever the second
  // byte of a Shift-JIS character. A last line without LF was cut by a kill.
  for (size_t at = 0; at < bytes.size();) {
    const size_t end = bytes.find('\n', at);
    if (end == std::string_view::npos) {
      journal.refused.push_back(std::string(bytes.substr(at)) + " (cut short)");
      break;
    }
    std::string_view line = bytes.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (first) {
      first = false;
      if (line != kHeader) {
        journal.refused.push_back(std::string(line) + " (no journal)");
        return journal;
      }
      journal.valid = true;
      continue;
    }
    if (const std::optional<TJournalRecord> record = ParseLine(line, own_links)) journal.records.push_back(*record);
    else journal.refused.push_back(std::string(line));
  }
  if (first) journal.refused.push_back("(no journal)");
  return journal;
}

std::vector<std::string> RemovableMadeFolders(std::string_view install_folder, int made,
                                              std::string_view windows_folder,
                                              const std::vector<std::string>& kept_folders) {
  std::vector<std::string> folders;
  std::optional<std::string> folder = NormalizeInstallFolder(install_folder);
  for (int i = 0; folder && i < std::min(made, kMostMade); ++i) {
    folder = DeletableInstallFolder(*folder, windows_folder, kept_folders);
    if (!folder) break;
    folders.push_back(*folder);
    const std::string parent = ExtractFileDir(*folder);
    if (parent.size() >= folder->size()) break;
    folder = parent;
  }
  return folders;
}

std::vector<std::string> MadeParents(std::string_view install_folder, std::string_view made_value,
                                     std::string_view windows_folder, const std::vector<std::string>& kept_folders) {
  const std::optional<int> made = MadeCount(made_value);
  if (!made) return {};
  std::vector<std::string> folders = RemovableMadeFolders(install_folder, *made, windows_folder, kept_folders);
  if (!folders.empty()) folders.erase(folders.begin());
  return folders;
}

TRollbackPlan PlanRollback(const TJournal& journal, std::string_view install_folder, std::string_view windows_folder,
                           const std::vector<std::string>& kept_folders) {
  TRollbackPlan plan;
  int made = 0;
  std::vector<std::string> kept;
  for (const TJournalRecord& r : journal.records) {
    if (r.kind == TJournalKind::kKept) kept.push_back(r.name);
  }
  // Files and folders go last created first: a folder's files before it,
  // a sub-folder before its parent.
  for (auto it = journal.records.rbegin(); it != journal.records.rend(); ++it) {
    const TJournalRecord& r = *it;
    const auto add_file = [&](const std::string& name, bool created) {
      if (created && std::find(plan.files.begin(), plan.files.end(), name) == plan.files.end())
        plan.files.push_back(name);
      for (std::string_view suffix : kTemporarySuffixes) {
        const std::string temp = name + std::string(suffix);
        if (std::find(plan.files.begin(), plan.files.end(), temp) == plan.files.end()) plan.files.push_back(temp);
      }
    };
    switch (r.kind) {
      case TJournalKind::kMade: made = std::max(made, *MadeCount(r.name)); break;
      case TJournalKind::kFolder:
        if (std::find(plan.folders.begin(), plan.folders.end(), r.name) == plan.folders.end())
          plan.folders.push_back(r.name);
        break;
      case TJournalKind::kFile:
        add_file(r.name, std::find(kept.begin(), kept.end(), r.name) == kept.end());
        break;
      case TJournalKind::kKept: break;
      case TJournalKind::kData:
        add_file("game.ext", true);
        add_file("game.dat", true);
        plan.data_volumes = true;
        break;
      case TJournalKind::kGroup: plan.group = true; break;
      case TJournalKind::kLink:
        if (std::find(plan.links.begin(), plan.links.end(), r.name) == plan.links.end()) plan.links.push_back(r.name);
        break;
      case TJournalKind::kValue:
        if (std::find(plan.values.begin(), plan.values.end(), r.name) == plan.values.end())
          plan.values.push_back(r.name);
        break;
      case TJournalKind::kEntry: plan.entry = true; break;
    }
  }
  plan.made = RemovableMadeFolders(install_folder, made, windows_folder, kept_folders);
  return plan;
}
