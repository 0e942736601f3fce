#include "install/selection.h"

#include <cstdint>
#include <initializer_list>

#include "base/errors.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/sjis.h"

TFileKind ClassifyExtension(const std::string& extension) {
  if (extension.empty()) return TFileKind::kOther;
  const std::string e = sjis::AsciiLower(extension);
  if (std::string(kSoundExtensions).find(e) != std::string::npos) return TFileKind::kSound;
  if (std::string(kMovieExtensions).find(e) != std::string::npos) return TFileKind::kMovie;
  return TFileKind::kOther;
}

int FirstPageOf(const TZefoInstallSet& s) {
  if (s.IsSystemInstall()) return kPageConfirm;
  if (s.AddOn || s.InstallsAllComponents()) return kPageSelDir;
  if (s.DiskCount >= 2 && s.DiskIndex == 0) return kPageMedia;
  return kPageFile;
}

bool AllDisksPreselected(const TZefoInstallSet& s) { return s.DiskIndex == 0 && s.DiskCount > 1; }

namespace {

// The size of this disk; a DiskIndex outside the arrays has no sizes at all.
int64_t OnThisDisk(const TZefoInstallSet& s, const std::vector<int64_t>& sizes) {
  return s.DiskIndex >= 0 && static_cast<size_t>(s.DiskIndex) < sizes.size() ? sizes[s.DiskIndex] : 0;
}

}  // namespace

ComponentVisibility VisibleComponents(const TZefoInstallSet& s, bool all_disks) {
  if (all_disks) return {s.DataSize > 0, s.SoundSize > 0, s.MovieSize > 0};
  return {OnThisDisk(s, s.DiskDataSize) > 0, OnThisDisk(s, s.DiskSoundSize) > 0, OnThisDisk(s, s.DiskMovieSize) > 0};
}

namespace {

// Sizes come from a file: a negative one counts as nothing, and a sum that
// would overflow stays at the largest value, which no drive has free.
int64_t AddSize(int64_t sum, int64_t size) {
  if (size <= 0) return sum;
  return sum > INT64_MAX - size ? INT64_MAX : sum + size;
}

int64_t SumSizes(std::initializer_list<int64_t> sizes) {
  int64_t sum = 0;
  for (int64_t size : sizes) sum = AddSize(sum, size);
  return sum;
}

}  // namespace

int64_t CalcNeedBytes(const TZefoInstallSet& s, const ComponentChoice& c) {
  if (s.AddOn) return SumSizes({s.ProgramSize, s.DataSize, s.SoundSize, s.MovieSize});
  if (c.all_disks || s.InstallsAllComponents())
    return SumSizes({s.ProgramSize, c.data ? s.DataSize : 0, c.sound ? s.SoundSize : 0, c.movie ? s.MovieSize : 0});
  return SumSizes({OnThisDisk(s, s.DiskProgramSize), c.data ? OnThisDisk(s, s.DiskDataSize) : 0,
                   c.sound ? OnThisDisk(s, s.DiskSoundSize) : 0, c.movie ? OnThisDisk(s, s.DiskMovieSize) : 0});
}

// Fixed notation, two decimals, at least two characters wide.
std::string ComponentSizeText(int64_t need_bytes) {
  return Format("最低 %2.2f MBのディスクの空き容量が必要です", static_cast<double>(need_bytes) / 1048576.0);
}

std::string FolderSizeText(int64_t need_bytes) {
  return Format("インストールには最低 %2.2f MBのディスクの空き容量が必要です",
                static_cast<double>(need_bytes) / 1048576.0);
}

std::string DriveFreeText(int32_t free_mb) { return "このドライブには " + GroupThousands(free_mb) + " MBの空きがあります"; }

int64_t WholeMiB(int64_t bytes) { return bytes / 1024 / 1024; }

namespace {

const char kProgramFilesMacro[] = "<ProgramFiles>";

// The folders here are Windows folders whichever machine computes them: "\" only.
std::string WithoutLeadingDelimiter(const std::string& s) { return !s.empty() && s[0] == '\\' ? s.substr(1) : s; }

}  // namespace

FolderProposal ProposeFolder(const TZefoInstallSet& s, const std::string& install_path,
                             const std::string& program_files, const std::string& windows_folder,
                             const std::function<bool(const std::string&)>& directory_exists) {
  FolderProposal p;
  std::string proposal;
  if (!install_path.empty() && directory_exists(install_path)) {
    proposal = install_path;
  } else if (s.DefaultDir.compare(0, sizeof kProgramFilesMacro - 1, kProgramFilesMacro) == 0) {
    p.sub_folder = RemoveTrailingBackslash(WithoutLeadingDelimiter(s.DefaultDir.substr(sizeof kProgramFilesMacro - 1)));
    proposal = AddTrailingBackslash(RemoveTrailingBackslash(program_files)) + p.sub_folder;
  } else {
    const std::string base = windows_folder.empty() ? std::string("C:\\") : windows_folder.substr(0, 1) + ":\\";
    p.sub_folder = WithoutLeadingDelimiter(s.DefaultDir);
    proposal = base + p.sub_folder;
    p.sub_folder = RemoveTrailingBackslash(p.sub_folder);
  }
  proposal = RemoveTrailingBackslash(proposal);
  p.edit_text = proposal;
  if (directory_exists(proposal)) p.sub_folder.clear();
  p.drive = proposal.empty() ? 0 : proposal[0];
  // The nearest folder that exists, going up; none when even the root is missing.
  while (!proposal.empty() && !directory_exists(proposal)) {
    const std::string inner = RemoveTrailingBackslash(proposal);
    const size_t i = sjis::FindLastChar(inner, '\\');
    proposal = i == std::string::npos ? std::string() : inner.substr(0, i + 1);
  }
  p.list_folder = proposal;
  return p;
}

std::string EditTextForFolder(const std::string& list_folder, const std::string& sub_folder) {
  return sub_folder.empty() ? list_folder : AddTrailingBackslash(list_folder) + sub_folder;
}

ProgressBarRange ByteProgressRange(int64_t done, int64_t total) {
  if (total <= 0) return {0, 0};
  done = done < 0 ? 0 : (done > total ? total : done);
  // Units of 10 bytes, made coarser only when the total would not fit.
  int64_t unit = 10;
  while (total / unit > INT32_MAX) unit *= 2;
  return {static_cast<int32_t>(total / unit), static_cast<int32_t>(done / unit)};
}

std::vector<std::string> RecordedNamesOf(const std::string& target_dir, const std::string& title) {
  const std::string settings = target_dir + "install.dat";
  if (!fs::FileExists(settings)) return {};
  try {
    TZefoInstallSet installed;
    installed.LoadFromFile(settings);
    if (installed.Title != title || !installed.UninstallMode) return {};
    return installed.InstalledFiles;
  } catch (const EError&) {
    return {};
  }
}

bool HoldsInstallationOf(const std::string& target_dir, const std::string& title) {
  const std::string settings = target_dir + "install.dat";
  if (!fs::FileExists(settings)) return false;
  try {
    TZefoInstallSet installed;
    installed.LoadFromFile(settings);
    return installed.Title == title;
  } catch (const EError&) {
    return false;  // unreadable settings are no installation to add to
  }
}
