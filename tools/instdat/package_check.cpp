#include "package_check.h"

#include <algorithm>
#include <cinttypes>
#include <cstdlib>

#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/safe_names.h"
#include "base/sjis.h"
#include "base/stream.h"
#include "imaging/dib.h"
#include "imaging/gales.h"
#include "settings/package_rules.h"

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

constexpr char kSettingsEntry[] = "install.dat";
constexpr char kUninstaller[] = "install.exe";

bool IsSuperseded(const std::string& name) { return !name.empty() && name[0] == '/'; }

// The settings as the file holds them, for comparing two objects.
std::string Bytes(const TZefoInstallSet& s) {
  TMemoryStream m;
  s.SaveToStream(m);
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize()));
}

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

TFileKind ClassifyExtension(const std::string& name) {
  const std::string ext = ExtractFileExt(name);
  if (InList(ext, ".mp2.mp3.wma.wav.mid.ogg")) return TFileKind::kSound;
  if (InList(ext, ".avi.wmv.asf.mpg.mpeg")) return TFileKind::kMovie;
  return TFileKind::kOther;
}

ComponentSizes SizesOfDisc(TVrFileCollection& archive, const TZefoInstallSet& s, const std::string& medium_folder,
                           std::vector<std::string>* missing) {
  ComponentSizes sizes;
  const auto add = [&](const std::string& name, int64_t size) {
    switch (ClassifyExtension(name)) {
      case TFileKind::kSound: sizes.sound += size; break;
      case TFileKind::kMovie: sizes.movie += size; break;
      case TFileKind::kOther: sizes.program += size; break;
    }
  };
  for (int32_t i = 0; i + 1 < archive.Count(); ++i) {
    const TVrFile& e = archive.Files(i);
    if (e.Name() == "\\EOF\\" || sjis::EqualsNoCase(e.Name(), kSettingsEntry)) continue;
    if (!e.LooseFile) sizes.data += e.Size;
    else if (s.FromArchive) add(e.Name(), e.Size);
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
                                      const std::string& archive_utf8, const std::string& medium_folder, bool add_on) {
  std::vector<std::string> problems;
  const auto problem = [&](const std::string& line) { problems.push_back(line); };

  // What the settings alone tell, by the rules install.exe refuses a package with.
  for (const TSettingsProblem& p : CheckSettingsRules(s)) problem(Utf8(p.line));
  const bool addon = add_on || s.AddOn != 0;
  if (add_on && s.AddOn == 0)
    problem("AddOn is 0, but this is checked as an add-on: the program would start as a launcher, not as an add-on "
            "(set AddOn 1)");
  if (!addon && !s.IsSystemInstall() && s.GameExe.empty()) problem("GameExe is empty: the launcher could never start the game");
  // Names the installer creates as files in the install folder.
  const auto check_name = [&](const std::string& field, const std::string& name) {
    const TNameVerdict verdict = CheckRelativeName(name);
    if (verdict.fault != TNameFault::kNone)
      problem(field + " \"" + Utf8(name) + "\": Windows cannot create a file of this name: " + Utf8(DescribeNameFault(verdict)));
  };
  if (!archive) return problems;

  // What the archive holds.
  const std::string at = " in " + archive_utf8;
  // The files the installation needs besides the data: the game, its
  // read-me, and install.exe, whose copy in the install folder is the
  // uninstaller. An add-on adds to an installation that has them.
  struct Needed {
    std::string name, label;  // label: how the line names it
  };
  std::vector<Needed> needed;
  if (!addon && !s.GameExe.empty()) needed.push_back({s.GameExe, "GameExe \"" + Utf8(s.GameExe) + "\""});
  if (!addon && !s.ReadmeFile.empty()) needed.push_back({s.ReadmeFile, "ReadmeFile \"" + Utf8(s.ReadmeFile) + "\""});
  if (!addon && !s.IsSystemInstall())
    needed.push_back({kUninstaller, std::string(kUninstaller) + " (the uninstaller the installation keeps)"});
  if (s.FromArchive) {
    for (const Needed& n : needed) {
      const int32_t i = archive->IndexOf(n.name);
      const bool there = i >= 0 && i + 1 < archive->Count();
      // Later discs of a set may leave these to disc 1.
      if (!there && s.DiskIndex == 0)
        problem(n.label + " is not" + at + " (FromArchive 1: it is installed from the archive, as a loose entry)");
      else if (there && !archive->Files(i).LooseFile)
        problem(n.label + " is not a loose entry" + at +
                " (FromArchive 1 installs it as a separate file only if it is: pack with --loose)");
    }
    for (int32_t i = 0; i + 1 < archive->Count(); ++i) {
      const TVrFile& e = archive->Files(i);
      if (!e.LooseFile || e.Name() == kSettingsEntry || IsSuperseded(e.Name())) continue;
      check_name("loose entry", e.Name());
    }
  } else {
    // The installer copies the CopyFiles from the medium and merges the
    // archive's other entries; it extracts loose entries only with FromArchive 1.
    std::vector<std::string> loose;
    for (int32_t i = 0; i + 1 < archive->Count(); ++i) {
      const TVrFile& e = archive->Files(i);
      if (e.LooseFile && !sjis::EqualsNoCase(e.Name(), kSettingsEntry) && !IsSuperseded(e.Name())) loose.push_back(e.Name());
    }
    if (!loose.empty()) {
      std::string names;
      for (size_t k = 0; k < loose.size() && k < 3; ++k) names += (k ? ", \"" : "\"") + Utf8(loose[k]) + "\"";
      if (loose.size() > 3) names += " and " + Number(static_cast<int64_t>(loose.size() - 3)) + " more";
      problem("FromArchive is 0, so the " + Number(static_cast<int64_t>(loose.size())) + " loose entries" + at + " (" +
              names + ") are never installed: only FromArchive 1 extracts loose entries (set FromArchive 1)");
    }
    for (const Needed& n : needed) {
      const std::string path = medium_folder + sjis::ReplaceChar(n.name, '\\', kPathDelimiter);
      const bool listed = std::find(s.CopyFiles.begin(), s.CopyFiles.end(), sjis::AsciiLower(n.name)) != s.CopyFiles.end();
      if (!fs::FileExists(path)) {
        if (s.DiskIndex == 0 && !listed)
          problem(n.label + " is not on the medium beside " + archive_utf8 +
                  " (FromArchive 0: it is copied from there, and must be listed in CopyFiles)");
      } else if (!listed) {
        problem(n.label + " is on the medium but not listed in CopyFiles, so FromArchive 0 does not copy it (add \"" +
                Utf8(sjis::AsciiLower(n.name)) + "\")");
      }
    }
  }
  if (addon) {
    // The add-on's program reads its settings from its own archive.
    if (!sjis::EqualsNoCase(ExtractFileExt(archive_utf8), ".exe"))
      problem("an add-on's archive rides in its program, but " + archive_utf8 +
              " does not end in .exe (vftool pack --carrier install.exe ADDON.exe ...)");
    try {
      TMemoryStream m;
      archive->ReadEntry(m, kSettingsEntry);
      TZefoInstallSet carried;
      carried.LoadFromStream(m);
      if (Bytes(carried) != Bytes(s))
        problem("the entry install.dat" + at + " holds other settings than this file (pack the add-on again after instdat build)");
    } catch (const EEntryNotFound&) {
      problem("install.dat is not" + at + " (the add-on's program reads its settings from that entry)");
    } catch (const EError& e) {
      problem("the entry install.dat" + at + " cannot be read (" + Utf8(e.what()) + ")");
    }
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
