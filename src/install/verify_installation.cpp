#include "install/verify_installation.h"

#include <algorithm>
#include <cinttypes>
#include <memory>

#include "archive/crc32.h"
#include "archive/dirformat.h"
#include "archive/vrfiles.h"
#include "base/errors.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/safe_names.h"
#include "settings/install_set.h"

namespace {

constexpr char kSettingsFile[] = "install.dat";
constexpr char kDataFile[] = "game.dat";
// Entries are read in blocks of this size; progress comes after each.
constexpr int64_t kBlock = 1 << 20;

// A message of the program on one line: its line breaks become " / ".
std::string OneLine(const std::string& text) {
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\r' || text[i] == '\n') line += " / ";
    else line += text[i];
  }
  return line;
}

bool Checked(const TVrFile& e) {
  return e.Crc != 0 && e.Name() != vf::kEndMarker && !(!e.Name().empty() && e.Name()[0] == '/');
}

// The bytes of e that the stream holds, summed into *crc; the count read.
int64_t SumEntry(TTpBigStream& s, const TVrFile& e, uint8_t* buffer, uint32_t* crc,
                 const std::function<void(int64_t)>& step) {
  s.SetPosition(e.Offset);
  // A position beyond the end stops at the end: nothing of the entry is there.
  if (s.GetPosition() != e.Offset) return 0;
  int64_t read = 0;
  while (read < e.Size) {
    const int64_t k = std::min({kBlock, e.Size - read, s.GetSize() - s.GetPosition()});
    if (k <= 0) break;
    const int64_t got = s.Read(buffer, k);
    if (got <= 0) break;
    *crc = Crc32(*crc, buffer, static_cast<size_t>(got));
    read += got;
    step(got);
  }
  return read;
}

void CheckDataFile(const std::string& file, TInstallationReport& r, const TVerifyProgress& progress) {
  TVrFileCollection data;
  try {
    data.Open(file);
    TTpBigStream* s = data.Stream();
    if (!s) throw EArchiveError(file + ":データファイルではありません");
    int64_t total = 0;
    for (int32_t i = 0; i < data.Count(); ++i) {
      if (Checked(data.Files(i))) total += data.Files(i).Size;
    }
    const std::unique_ptr<uint8_t[]> buffer(new uint8_t[kBlock]);
    int64_t done = 0;
    const auto step = [&](int64_t got) {
      done += got;
      if (progress) progress(done, total);
    };
    for (int32_t i = 0; i < data.Count(); ++i) {
      const TVrFile& e = data.Files(i);
      if (!Checked(e)) continue;
      uint32_t crc = 0;
      const int64_t read = SumEntry(*s, e, buffer.get(), &crc, step);
      done += e.Size - read;  // a short entry still counts as walked
      ++r.entries_checked;
      r.bytes_checked += read;
      if (read != e.Size) r.damaged.push_back({e.Name(), TDamagedEntry::TWhat::kDataMissing});
      else if (crc != e.Crc) r.damaged.push_back({e.Name(), TDamagedEntry::TWhat::kCrcMismatch});
    }
  } catch (const EError& e) {
    r.data_error = e.what();
  }
}

}  // namespace

bool TInstallationReport::Intact() const {
  return settings == TSettings::kLoaded && missing.empty() && refused.empty() && damaged.empty() && data_error.empty();
}

TInstallationReport VerifyInstallation(const std::string& folder, const TVerifyProgress& progress) {
  TInstallationReport r;
  const std::string dir = AddTrailingDelimiter(folder);
  TZefoInstallSet s;
  if (!fs::FileExists(dir + kSettingsFile)) return r;
  try {
    s.LoadFromFile(dir + kSettingsFile);
  } catch (const EError& e) {
    r.settings = TInstallationReport::TSettings::kDamaged;
    r.settings_error = e.what();
    return r;
  }
  if (!s.UninstallMode) {
    r.settings = TInstallationReport::TSettings::kNotInstalled;
    return r;
  }
  r.settings = TInstallationReport::TSettings::kLoaded;
  r.title = s.Title;
  r.recorded = s.InstalledFiles;

  for (const std::string& name : s.InstalledFiles) {
    if (!IsSafeRelativeName(name)) r.refused.push_back(name);
    else if (fs::FileExists(dir + name)) ++r.files_present;
    else r.missing.push_back(name);
  }
  const int data = s.IndexOfInstalledFile(kDataFile);
  if (data >= 0) {
    r.data_file = s.InstalledFile(data);
    if (fs::FileExists(dir + r.data_file)) CheckDataFile(dir + r.data_file, r, progress);
  }
  return r;
}

std::vector<std::string> ReportLines(const TInstallationReport& r) {
  using TSettings = TInstallationReport::TSettings;
  switch (r.settings) {
    case TSettings::kMissing: return {"verify: no install.dat in the folder"};
    case TSettings::kNotInstalled: return {"verify: install.dat is not an installation's (no uninstaller flag)"};
    case TSettings::kDamaged: return {"verify: install.dat cannot be read: " + OneLine(r.settings_error)};
    case TSettings::kLoaded: break;
  }
  std::vector<std::string> lines;
  for (const std::string& name : r.missing) lines.push_back("missing: " + name);
  // Refused names and entry names may hold any byte: each stays on its line.
  for (const std::string& name : r.refused) lines.push_back("refused: " + OneLine(name) + " (leads out of the install folder)");
  if (!r.data_error.empty()) lines.push_back("unreadable: " + r.data_file + ": " + OneLine(r.data_error));
  for (const TDamagedEntry& d : r.damaged) {
    lines.push_back("damaged: " + r.data_file + ": " + OneLine(d.name) +
                    (d.what == TDamagedEntry::TWhat::kCrcMismatch ? ": CRC mismatch" : ": data missing"));
  }
  std::string summary = Format("verify: %d files present, %d entries checked (%" PRId64 " bytes): ", r.files_present,
                               r.entries_checked, r.bytes_checked);
  if (r.Intact()) {
    summary += "intact";
  } else {
    summary += Format("%d missing, %d refused, %d damaged", static_cast<int>(r.missing.size()),
                      static_cast<int>(r.refused.size()), static_cast<int>(r.damaged.size()));
    if (!r.data_error.empty()) summary += ", data file unreadable";
  }
  lines.push_back(summary);
  return lines;
}
