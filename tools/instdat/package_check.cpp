#include "package_check.h"

#include <algorithm>
#include <cinttypes>
#include <cstdlib>

#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/sjis.h"
#include "base/stream.h"
#include "imaging/dib.h"
#include "imaging/gales.h"

namespace {

std::string Utf8(const std::string& sjis) { return enc::SjisToUtf8(sjis); }

std::string Number(int64_t v) { return Format("%" PRId64, v); }

// The extension with its dot, lower case, as a whole word of list: ".ogg" is
// in ".mp3.ogg", ".og" is not.
bool InList(const std::string& ext, const char* list) {
  if (ext.size() < 2) return false;
  const std::string l = list, e = sjis::AsciiLower(ext);
  for (size_t at = l.find(e); at != std::string::npos; at = l.find(e, at + 1)) {
    const size_t end = at + e.size();
    if (end == l.size() || l[end] == '.') return true;
  }
  return false;
}

bool IsBoolean(uint8_t v) { return v <= 1; }

// The picture of frame 0 as 24-bit rows, read with key.
std::vector<std::string> Rows(TMemoryStream& m, int32_t key) {
  m.SetPosition(0);
  TGaleFrameList picture(key);
  picture.LoadFromStream(m, true);
  std::vector<std::string> rows;
  if (picture.Count() < 1) return rows;
  TDIB rgb;
  picture.Frames(0).Surface.ConvertTo24(rgb);
  for (int y = 0; y < rgb.Height(); ++y)
    rows.emplace_back(reinterpret_cast<const char*>(rgb.ScanLine(y)), static_cast<size_t>(rgb.Width()) * 3);
  return rows;
}

// How much each row differs from the next: low for a picture in its order,
// high for the same rows (or tiles) in a scrambled order.
double Roughness(const std::vector<std::string>& rows) {
  double sum = 0;
  for (size_t y = 1; y < rows.size(); ++y) {
    for (size_t x = 0; x < rows[y].size(); ++x)
      sum += std::abs(static_cast<int>(static_cast<uint8_t>(rows[y][x])) - static_cast<uint8_t>(rows[y - 1][x]));
  }
  return sum;
}

}  // namespace

int ClassifyExtension(const std::string& name) {
  const std::string ext = ExtractFileExt(name);
  if (InList(ext, ".mp2.mp3.wma.wav.mid.ogg")) return 1;
  if (InList(ext, ".avi.wmv.asf.mpg.mpeg")) return 2;
  return 0;
}

ComponentSizes SizesOfDisc(TVrFileCollection& archive, const TZefoInstallSet& s, const std::string& medium_folder,
                           std::vector<std::string>* missing) {
  ComponentSizes sizes;
  const auto add = [&](const std::string& name, int64_t size) {
    switch (ClassifyExtension(name)) {
      case 1: sizes.sound += size; break;
      case 2: sizes.movie += size; break;
      default: sizes.program += size; break;
    }
  };
  for (int32_t i = 0; i + 1 < archive.Count(); ++i) {
    const TVrFile& e = archive.Files(i);
    if (e.Name() == "\\EOF\\") continue;
    if (!e.LooseFile) sizes.data += e.Size;
    else if (s.FromArchive && e.Name() != "install.dat") add(e.Name(), e.Size);
  }
  if (!s.FromArchive) {
    for (const std::string& name : s.CopyFiles) {
      const std::string path = medium_folder + sjis::ReplaceChar(name, '\\', kPathDelimiter);
      if (!fs::FileExists(path)) {
        if (missing) missing->push_back(name);
        continue;
      }
      add(name, fs::FileSizeOf(path));
    }
  }
  return sizes;
}

void SetDiscSizes(TZefoInstallSet& s, int32_t disc, const ComponentSizes& sizes) {
  const size_t i = static_cast<size_t>(disc);
  s.DiskProgramSize.at(i) = sizes.program;
  s.DiskDataSize.at(i) = sizes.data;
  s.DiskSoundSize.at(i) = sizes.sound;
  s.DiskMovieSize.at(i) = sizes.movie;
}

void SetTotals(TZefoInstallSet& s) {
  s.ProgramSize = s.DataSize = s.SoundSize = s.MovieSize = 0;
  for (int32_t i = 0; i < s.DiskCount; ++i) {
    s.ProgramSize += s.DiskProgramSize[static_cast<size_t>(i)];
    s.DataSize += s.DiskDataSize[static_cast<size_t>(i)];
    s.SoundSize += s.DiskSoundSize[static_cast<size_t>(i)];
    s.MovieSize += s.DiskMovieSize[static_cast<size_t>(i)];
  }
}

std::vector<std::string> CheckPackage(const TZefoInstallSet& s, TVrFileCollection* archive,
                                      const std::string& archive_utf8, const std::string& medium_folder) {
  std::vector<std::string> problems;
  const auto problem = [&](const std::string& line) { problems.push_back(line); };

  if (s.Title.empty()) problem("Title is empty (it names the window, the program group and the instance lock)");
  if (s.DiskCount < 1) problem("DiskCount is " + Number(s.DiskCount) + ": a package has at least one disc");
  if (s.DiskIndex < 0 || s.DiskIndex >= std::max(s.DiskCount, 1))
    problem("DiskIndex is " + Number(s.DiskIndex) + ": it must be from 0 to DiskCount - 1");
  if (s.InstallKind > 2) problem("InstallKind is " + Number(s.InstallKind) + ": 0, 1 or 2");
  if (s.BackgroundMode > 2) problem("BackgroundMode is " + Number(s.BackgroundMode) + ": 0 (centred), 1 (stretched) or 2 (tiled)");
  const struct {
    const char* name;
    uint8_t value;
  } booleans[] = {{"OpenReadme", s.OpenReadme},       {"OfferRuntimes", s.OfferRuntimes}, {"UninstallMode", s.UninstallMode},
                  {"AddOn", s.AddOn},                 {"DataInstalled", s.DataInstalled}, {"FromArchive", s.FromArchive}};
  for (const auto& b : booleans) {
    if (!IsBoolean(b.value)) problem(std::string(b.name) + " is " + Number(b.value) + ": 0 or 1");
  }
  if (s.UninstallMode == 1) problem("UninstallMode is 1: the program would start as an uninstaller, not as a launcher");
  if (s.InstallKind != 2 && s.GameExe.empty()) problem("GameExe is empty: the launcher could never start the game");
  if (s.OpenReadme && s.ReadmeFile.empty()) problem("OpenReadme is 1 but ReadmeFile is empty");
  for (const std::string& name : s.CopyFiles) {
    if (name != sjis::AsciiLower(name)) problem("CopyFiles: \"" + Utf8(name) + "\" is not in lower case, so it never matches");
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
      problem(std::string(c.name) + "Size is " + Number(c.total) + " but the discs' Disk" + c.name + "Size add up to " + Number(sum));
  }
  if (!archive) return problems;

  // What the archive holds.
  const std::string at = " in " + archive_utf8;
  if (s.FromArchive && !s.GameExe.empty()) {
    const int32_t i = archive->IndexOf(s.GameExe);
    // Later discs of a set may leave the program to disc 1.
    if ((i < 0 || i + 1 >= archive->Count()) && s.DiskIndex == 0)
      problem("GameExe \"" + Utf8(s.GameExe) + "\" is not" + at + " (FromArchive 1: the game comes from the archive)");
    else if (i >= 0 && i + 1 < archive->Count() && !archive->Files(i).LooseFile)
      problem("GameExe \"" + Utf8(s.GameExe) + "\" is not a loose entry" + at +
              " (FromArchive 1 installs it as a separate file only if it is: pack with --loose)");
  }
  if (!s.BackgroundImage.empty()) {
    try {
      TMemoryStream m;
      archive->ReadEntry(m, s.BackgroundImage);
      const std::vector<std::string> rows = Rows(m, static_cast<int32_t>(s.ImageSeed));
      if (rows.empty()) problem("BackgroundImage \"" + Utf8(s.BackgroundImage) + "\" has no frame");
      // A wrong seed still decodes, into rows or tiles in scrambled order.
      // Another seed shows what scrambled looks like: when the picture is
      // not scrambled both read alike; when it is, only the right seed gives
      // a picture much smoother than that.
      const std::vector<std::string> other = Rows(m, static_cast<int32_t>(s.ImageSeed ^ 0x5A5A5A5Au));
      if (!rows.empty() && rows != other && Roughness(rows) >= 0.8 * Roughness(other))
        problem("BackgroundImage \"" + Utf8(s.BackgroundImage) + "\" does not read with ImageSeed " + Number(s.ImageSeed) +
                " (its rows come out scrambled: made with another --key?)");
    } catch (const EEntryNotFound&) {
      problem("BackgroundImage \"" + Utf8(s.BackgroundImage) + "\" is not" + at);
    } catch (const EError& e) {
      problem("BackgroundImage \"" + Utf8(s.BackgroundImage) + "\" does not read with ImageSeed " + Number(s.ImageSeed) +
              " (" + Utf8(e.what()) + ")");
    }
  }
  if (s.DiskIndex >= 0 && s.DiskIndex < s.DiskCount) {
    std::vector<std::string> missing;
    const ComponentSizes sizes = SizesOfDisc(*archive, s, medium_folder, &missing);
    for (const std::string& name : missing) problem("CopyFiles: \"" + Utf8(name) + "\" is not on the medium beside " + archive_utf8);
    const size_t d = static_cast<size_t>(s.DiskIndex);
    const struct {
      const char* name;
      int64_t have, want;
    } discs[] = {{"DiskProgramSize", s.DiskProgramSize[d], sizes.program},
                 {"DiskDataSize", s.DiskDataSize[d], sizes.data},
                 {"DiskSoundSize", s.DiskSoundSize[d], sizes.sound},
                 {"DiskMovieSize", s.DiskMovieSize[d], sizes.movie}};
    for (const auto& c : discs) {
      if (c.have != c.want)
        problem(std::string(c.name) + "[" + Number(s.DiskIndex) + "] is " + Number(c.have) + " but" + at + " it is " +
                Number(c.want) + " (instdat build --sizes-from fills it in)");
    }
  }
  return problems;
}
