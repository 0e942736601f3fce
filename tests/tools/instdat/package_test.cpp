// instdat template, check and build --sizes-from on packages made in the test.
#include <gtest/gtest.h>

#include "common/archive_fixture.h"
#include "base/encoding.h"
#include "base/stream.h"
#include "common/run_tool.h"
#include "common/temp_dir.h"
#include "imaging/dibsfc.h"
#include "imaging/galewriter.h"
#include "package_check.h"
#include "settings_json.h"

using testing_support::ReadFileBytes;
using testing_support::RunTool;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

std::string U(const std::string& sjis) { return enc::SjisToUtf8(sjis); }

// A 64x48 launcher picture with smooth shading, its planes scrambled with key.
std::string Picture(int32_t key) {
  TDIBSurface s;
  s.SetSize(64, 48, 24);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64 * 3; ++x) s.ScanLine(y)[x] = static_cast<uint8_t>(x + 4 * y);
  TGaleWriteOptions o;
  o.Scramble = true;
  o.Key = key;
  TMemoryStream m;
  WriteGalePicture(m, s, o);
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize()));
}

// Disc 1 of the template's package: the program and the read-me loose, the
// picture, data; disc 2: more data and a voice that is installed loose.
void WriteDiscs(const TempDir& dir, int32_t key) {
  WriteFileBytes(dir / "disc1/game.dat",
                 BuildArchive(102, {{"demo.exe", std::string(3000, 'x'), false, 0, 1},
                                    {"readme.txt", "readme", false, 0, 1},
                                    {"install.exe", "MZ uninstaller", false, 0, 1},
                                    {"install.dat", "not counted", false, 0, 1},
                                    {"launcher.gale", Picture(key), false, 0, 0},
                                    {"scene\\a.txt", std::string(500, 'a'), true, 0, 0}}));
  WriteFileBytes(dir / "disc2/game.dat", BuildArchive(102, {{"scene\\b.txt", std::string(700, 'b'), false, 0, 0},
                                                            {"voice\\v.ogg", std::string(90, 'v'), false, 0, 1},
                                                            {"movie\\op.MPG", std::string(40, 'm'), false, 0, 1}}));
}

}  // namespace

TEST(InstdatPackage, ClassifiesExtensionsAsTheWizardDoes) {
  EXPECT_EQ(ClassifyExtension("a\\b.OGG"), TFileKind::kSound);
  EXPECT_EQ(ClassifyExtension("b.wav"), TFileKind::kSound);
  EXPECT_EQ(ClassifyExtension("c.mpeg"), TFileKind::kMovie);
  EXPECT_EQ(ClassifyExtension("c.mpe"), TFileKind::kOther);  // not a whole word of the list
  EXPECT_EQ(ClassifyExtension("c.og"), TFileKind::kOther);
  EXPECT_EQ(ClassifyExtension("noext"), TFileKind::kOther);
  EXPECT_EQ(ClassifyExtension("demo.exe"), TFileKind::kOther);
}

TEST(InstdatPackage, TemplateBuildsWithSizesFromBothDiscsAndChecksClean) {
  TempDir dir;
  WriteDiscs(dir, static_cast<int32_t>(TemplateSettings().ImageSeed));
  const std::string I = ZI_INSTDAT_EXE;
  auto r = RunTool(I, {"template"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  WriteFileBytes(dir / "settings.json", r.out);
  r = RunTool(I, {"build", "--sizes-from", U(dir / "disc1/game.dat"), "--sizes-from", U(dir / "disc2/game.dat"),
                  U(dir / "settings.json"), U(dir / "disc1/install.dat")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  r = RunTool(I, {"dump", "--pretty", U(dir / "disc1/install.dat")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  // Disc 1: demo.exe 3000 + readme 6 + install.exe 14 (install.dat left out); data: the picture
  // and the zlib stream of a.txt; disc 2: data 700, the voice 90, the movie 40.
  const int64_t data1 = static_cast<int64_t>(Picture(20261208).size() + Deflate(std::string(500, 'a')).size());
  EXPECT_NE(r.out.find("\"DiskProgramSize\": [3020,0],"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"DiskDataSize\": [" + std::to_string(data1) + ",700],"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"DiskSoundSize\": [0,90],"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"DiskMovieSize\": [0,40],"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"DataSize\": " + std::to_string(data1 + 700) + ",\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n  \"Title\": \"" + U("デモゲーム") + "\",\n"), std::string::npos) << r.out;

  r = RunTool(I, {"check", U(dir / "disc1/install.dat"), U(dir / "disc1/game.dat")});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // Disc 2 leaves the program to disc 1.
  r = RunTool(I, {"build", "--sizes-from", U(dir / "disc1/game.dat"), "--sizes-from", U(dir / "disc2/game.dat"),
                  U(dir / "settings.json"), U(dir / "disc2/install.dat")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  TZefoInstallSet disc2;
  disc2.LoadFromFile(dir / "disc2/install.dat");
  disc2.DiskIndex = 1;
  disc2.BackgroundImage = "";
  disc2.SaveToFile(dir / "disc2/install.dat");
  r = RunTool(I, {"check", U(dir / "disc2/install.dat"), U(dir / "disc2/game.dat")});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  // One archive for two discs is a usage error.
  r = RunTool(I, {"build", "--sizes-from", U(dir / "disc1/game.dat"), U(dir / "settings.json"), U(dir / "x.dat")});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("--sizes-from: 1 archives for DiskCount 2"), std::string::npos) << r.err;
}

TEST(InstdatPackage, CheckReportsEachProblemOnALine) {
  TempDir dir;
  WriteDiscs(dir, 77);  // a picture scrambled with another seed
  TZefoInstallSet s = TemplateSettings();
  s.Title = "";
  s.GameExe = "readme.txt";
  s.BackgroundMode = 3;
  s.InstallKind = static_cast<TInstallKind>(5);
  s.OfferRuntimes = 2;
  s.UninstallMode = 1;
  s.DataSize = 1;
  s.CopyFiles = {"Data\\A.txt"};
  s.SaveToFile(dir / "disc1/install.dat");
  const std::vector<std::string> problems = CheckPackage(s, nullptr, "", "");
  EXPECT_EQ(problems.size(), 7u);

  s.GameExe = "scene\\a.txt";  // in the archive, not loose
  s.SaveToFile(dir / "disc1/install.dat");
  const auto r = RunTool(ZI_INSTDAT_EXE, {"check", U(dir / "disc1/install.dat"), U(dir / "disc1/game.dat")});
  EXPECT_EQ(r.exit_code, 1);
  const std::string prefix = "instdat: " + U(dir / "disc1/install.dat") + ": ";
  for (const std::string& line : {
           std::string("Title is empty"), std::string("InstallKind is 5: 0, 1 or 2"),
           std::string("BackgroundMode is 3: 0 (centred), 1 (stretched) or 2 (tiled)"),
           std::string("OfferRuntimes is 2: 0 or 1"), std::string("UninstallMode is 1: the program would start as an uninstaller"),
           std::string("CopyFiles: \"Data\\A.txt\" is not in lower case"),
           std::string("DataSize is 1 but the discs' DiskDataSize add up to 3145728"),
           std::string("GameExe \"scene\\a.txt\" is not a loose entry in " + U(dir / "disc1/game.dat")),
           std::string("BackgroundImage \"launcher.gale\" does not read with ImageSeed 20261208"),
           std::string("DiskProgramSize[0] is 65536 but in " + U(dir / "disc1/game.dat") + " it is 3020"),
       }) {
    EXPECT_NE(("\n" + r.err).find("\n" + prefix + line), std::string::npos) << line << "\n" << r.err;
  }
  // Every line names the file.
  size_t lines = 0;
  for (size_t at = 0; (at = r.err.find(prefix, at)) != std::string::npos; ++at) ++lines;
  EXPECT_EQ(lines, static_cast<size_t>(std::count(r.err.begin(), r.err.end(), '\n')));

  // A picture that is not there at all.
  s = TemplateSettings();
  s.BackgroundImage = "none.gale";
  s.SaveToFile(dir / "disc1/install.dat");
  const auto r2 = RunTool(ZI_INSTDAT_EXE, {"check", U(dir / "disc1/install.dat"), U(dir / "disc1/game.dat")});
  EXPECT_NE(r2.err.find("BackgroundImage \"none.gale\" is not in"), std::string::npos) << r2.err;
}

namespace {

// A program carrying archive, as vftool pack --carrier writes it: the stub,
// the archive, then where the archive starts and "zf".
std::string Carrier(const std::string& archive) {
  const std::string stub = "MZ add-on program";
  std::string trailer = std::string(4, '\0') + "zf";
  const uint32_t at = static_cast<uint32_t>(stub.size());
  for (int i = 0; i < 4; ++i) trailer[static_cast<size_t>(i)] = static_cast<char>(at >> (8 * i));
  return stub + archive + trailer;
}

std::string BytesOf(const TZefoInstallSet& s) {
  TMemoryStream m;
  s.SaveToStream(m);
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize()));
}

// The sizes of disc DiskIndex as the archive and the medium give them, so
// that only the lines a test is about remain.
void FitSizes(TZefoInstallSet& s, TVrFileCollection& archive, const std::string& medium) {
  SetDiscSizes(s, s.DiskIndex, SizesOfDisc(archive, s, medium, nullptr));
  SetTotals(s);
}

}  // namespace

TEST(InstdatPackage, CheckKnowsWhatEachModeInstalls) {
  const FixtureEntry data{"scene\\a.txt", std::string(300, 'a'), true, 0, 0};
  const FixtureEntry exe{"demo.exe", "MZ game", false, 0, 1}, readme{"readme.txt", "read me", false, 0, 1},
      uninstaller{"install.exe", "MZ setup", false, 0, 1};
  const FixtureEntry merged_readme{"readme.txt", "read me", false, 0, 0}, merged_uninstaller{"install.exe", "MZ setup", false, 0, 0};
  const struct {
    const char* what;
    uint8_t from_archive, install_kind;
    int32_t disk_index;
    std::string game_exe;
    std::vector<FixtureEntry> entries;
    std::vector<std::string> medium, copy_files, lines;
  } rows[] = {
      {"from the archive, every file loose", 1, 0, 0, "demo.exe", {exe, readme, uninstaller, data}, {}, {}, {}},
      {"FromArchive left out, the game packed loose", 0, 0, 0, "demo.exe", {exe, readme, uninstaller, data}, {"install.exe"}, {},
       {"FromArchive is 0, so the 3 loose entries in game.dat (\"demo.exe\", \"readme.txt\", \"install.exe\") are never "
        "installed: only FromArchive 1 extracts loose entries",
        "GameExe \"demo.exe\" is not on the medium beside game.dat",
        "ReadmeFile \"readme.txt\" is not on the medium beside game.dat",
        "install.exe (the uninstaller the installation keeps) is on the medium but not listed in CopyFiles"}},
      {"from the medium, every file listed", 0, 0, 0, "demo.exe", {data}, {"demo.exe", "readme.txt", "install.exe"},
       {"demo.exe", "readme.txt", "install.exe"}, {}},
      {"from the medium, no install.exe", 0, 0, 0, "demo.exe", {data}, {"demo.exe", "readme.txt"}, {"demo.exe", "readme.txt"},
       {"install.exe (the uninstaller the installation keeps) is not on the medium beside game.dat"}},
      {"from the archive, no install.exe", 1, 0, 0, "demo.exe", {exe, readme, data}, {}, {},
       {"install.exe (the uninstaller the installation keeps) is not in game.dat"}},
      {"from the archive, read-me and install.exe merged", 1, 0, 0, "demo.exe", {exe, merged_readme, merged_uninstaller}, {}, {},
       {"ReadmeFile \"readme.txt\" is not a loose entry in game.dat",
        "install.exe (the uninstaller the installation keeps) is not a loose entry in game.dat"}},
      {"a later disc leaves the files to disc 1", 1, 0, 1, "demo.exe", {data}, {}, {}, {}},
      {"a system install keeps no uninstaller", 1, 2, 0, "demo.exe", {exe, readme, data}, {}, {}, {}},
      {"a loose entry Windows cannot create", 1, 0, 0, "demo.exe",
       {exe, readme, uninstaller, {"Q&A?.txt", "faq", false, 0, 1}}, {}, {},
       {"loose entry \"Q&A?.txt\": Windows cannot create a file of this name: \"?\" is not allowed in a name"}},
      {"a game program named after a device", 1, 0, 0, "con.exe", {exe, readme, uninstaller}, {}, {},
       {"GameExe \"con.exe\": Windows cannot create a file of this name: CON is a device name",
        "GameExe \"con.exe\" is not in game.dat"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    const std::string medium = dir / "medium\\";
    WriteFileBytes(medium + "game.dat", BuildArchive(102, row.entries));
    for (const std::string& name : row.medium) WriteFileBytes(medium + name, "on the medium");
    TZefoInstallSet s = TemplateSettings();
    s.SetDiskCount(2);
    s.DiskIndex = row.disk_index;
    s.BackgroundImage = "";
    s.FromArchive = row.from_archive;
    s.InstallKind = static_cast<TInstallKind>(row.install_kind);
    s.GameExe = row.game_exe;
    s.CopyFiles = row.copy_files;
    TVrFileCollection archive;
    archive.Open(medium + "game.dat");
    FitSizes(s, archive, medium);
    const std::vector<std::string> problems = CheckPackage(s, &archive, "game.dat", medium);
    std::string all;
    for (const std::string& p : problems) all += p + "\n";
    EXPECT_EQ(problems.size(), row.lines.size()) << all;
    for (const std::string& line : row.lines) EXPECT_NE(all.find(line), std::string::npos) << line << "\n" << all;
  }
}

TEST(InstdatPackage, SizesLeaveOutTheSettingsEntryLooseOrNot) {
  // An add-on carries its settings in its archive: their size (compressed,
  // it changes with the numbers inside) must not count, or every build would
  // need another.
  TZefoInstallSet s = TemplateSettings();
  s.SetDiskCount(1);
  s.AddOn = 1;
  TempDir dir;
  for (const bool loose : {false, true}) {
    SCOPED_TRACE(loose);
    for (const std::string& settings : {std::string(40, 's'), std::string("short"), std::string(900, 'z')}) {
      WriteFileBytes(dir / "addon.exe", Carrier(BuildArchive(102, {{"install.dat", settings, true, 0, loose},
                                                                   {"INSTALL.DAT\\x.txt", "not the settings", false, 0, 0},
                                                                   {"scene\\b.txt", std::string(100, 'b'), false, 0, 0},
                                                                   {"bonus.exe", "MZ bonus", false, 0, 1}})));
      TVrFileCollection archive;
      archive.Open(dir / "addon.exe");
      const ComponentSizes sizes = SizesOfDisc(archive, s, dir / "", nullptr);
      EXPECT_EQ(sizes.data, 116);
      EXPECT_EQ(sizes.program, 8);
    }
  }
}

TEST(InstdatPackage, AnAddOnIsCheckedAsAnAddOn) {
  // The add-on settings the guide shows: the base game's title, AddOn 1, its
  // files from the archive that rides in its program.
  const std::string json = u8R"({
  "DiskCount": 1, "InstalledFiles": [], "SetupCaption": "", "DiskIndex": 0,
  "Title": "デモゲーム", "FooterText": "(C) 2026 Demo Soft", "DefaultDir": "<ProgramFiles>\\DemoSoft\\デモゲーム",
  "ReadmeFile": "", "InstallKind": 0, "OpenReadme": 0, "BackgroundImage": "", "BackgroundMode": 0,
  "GameExe": "demo.exe", "ImageSeed": 0, "OfferRuntimes": 0, "SpareFlag": 0, "MediaName": "ディスク",
  "RegistryKey": "DemoSoft\\DemoGame", "DiskProgramSize": [0], "DiskDataSize": [0], "DiskSoundSize": [0],
  "DiskMovieSize": [0], "ProgramSize": 0, "DataSize": 0, "SoundSize": 0, "MovieSize": 0,
  "UninstallMode": 0, "AddOn": 1, "DataInstalled": 0, "FromArchive": 1, "CopyFiles": []
})";
  TempDir dir;
  const std::string I = ZI_INSTDAT_EXE;
  WriteFileBytes(dir / "addon.json", json);
  const auto pack = [&](const std::string& settings_file, const std::string& out) {
    WriteFileBytes(out, Carrier(BuildArchive(102, {{"install.dat", ReadFileBytes(settings_file), true, 0, 0},
                                                   {"scene\\extra.txt", std::string(2000, 'e'), true, 0, 0},
                                                   {"voice\\omake.ogg", std::string(70, 'o'), false, 0, 1}})));
  };
  // Build, pack, build with the sizes, pack: one round is enough.
  auto r = RunTool(I, {"build", U(dir / "addon.json"), U(dir / "install.dat")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  pack(dir / "install.dat", dir / "addon.exe");
  r = RunTool(I, {"build", "--sizes-from", U(dir / "addon.exe"), U(dir / "addon.json"), U(dir / "install.dat")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  pack(dir / "install.dat", dir / "addon.exe");
  const std::string data = std::to_string(Deflate(std::string(2000, 'e')).size());
  r = RunTool(I, {"dump", U(dir / "install.dat")});
  EXPECT_NE(r.out.find("\"DiskDataSize\":[" + data + "],\"DiskSoundSize\":[70]"), std::string::npos) << r.out;
  for (const bool flag : {true, false}) {  // AddOn 1 in the settings is enough
    SCOPED_TRACE(flag);
    std::vector<std::string> args = {"check", U(dir / "install.dat"), U(dir / "addon.exe")};
    if (flag) args.insert(args.begin() + 1, "--add-on");
    r = RunTool(I, args);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "");
  }

  // What goes wrong with an add-on.
  TZefoInstallSet s;
  s.LoadFromFile(dir / "install.dat");
  TZefoInstallSet game = s;
  game.AddOn = 0;
  game.SaveToFile(dir / "game.dat.settings");
  TZefoInstallSet other = s;
  other.Title = "別のゲーム";
  other.SaveToFile(dir / "other.dat");
  // (Away from install.dat: a file beside the program wins over its entry.)
  WriteFileBytes(dir / "sub/other.exe", Carrier(BuildArchive(102, {{"install.dat", BytesOf(other), true, 0, 0},
                                                               {"scene\\extra.txt", std::string(2000, 'e'), true, 0, 0},
                                                               {"voice\\omake.ogg", std::string(70, 'o'), false, 0, 1}})));
  WriteFileBytes(dir / "sub/bare.exe", Carrier(BuildArchive(102, {{"scene\\extra.txt", std::string(2000, 'e'), true, 0, 0},
                                                              {"voice\\omake.ogg", std::string(70, 'o'), false, 0, 1}})));
  WriteFileBytes(dir / "addon.dat", ReadFileBytes(dir / "addon.exe").substr(17, ReadFileBytes(dir / "addon.exe").size() - 23));
  const struct {
    std::vector<std::string> args;
    std::string line;
  } rows[] = {
      {{"--add-on", U(dir / "game.dat.settings"), U(dir / "addon.exe")}, "AddOn is 0, but this is checked as an add-on"},
      {{U(dir / "game.dat.settings"), U(dir / "addon.exe")}, "GameExe \"demo.exe\" is not in"},  // checked as a game
      {{U(dir / "install.dat"), U(dir / "sub/bare.exe")}, "install.dat is not in " + U(dir / "sub/bare.exe")},
      {{U(dir / "install.dat"), U(dir / "sub/other.exe")}, "the entry install.dat in " + U(dir / "sub/other.exe") + " holds other settings"},
      {{U(dir / "install.dat"), U(dir / "addon.dat")}, "does not end in .exe"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    std::vector<std::string> args = {"check"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    r = RunTool(I, args);
    EXPECT_EQ(r.exit_code, 1) << r.err;
    EXPECT_NE(r.err.find(row.line), std::string::npos) << r.err;
  }
}

TEST(InstdatPackage, CheckRefusesWhatTheInstallerRefuses) {
  // The installer's own rules: a title that is no folder name, a key of the system's.
  TZefoInstallSet s = TemplateSettings();
  s.Title = "Maker\\Game";
  s.RegistryKey = "Microsoft\\Game";
  s.ReadmeFile = "docs\\..\\..\\readme.txt";
  const std::vector<std::string> problems = CheckPackage(s, nullptr, "", "");
  std::string all;
  for (const std::string& p : problems) all += p + "\n";
  EXPECT_EQ(problems.size(), 3u) << all;
  for (const std::string& line :
       {std::string("Title \"Maker\\Game\": it names the program group's folder and the instance lock, so it must be one "
                    "folder name"),
        std::string("RegistryKey \"Microsoft\\Game\": not a key below HKEY_CURRENT_USER\\Software the installation can own"),
        std::string("ReadmeFile \"docs\\..\\..\\readme.txt\": Windows cannot create a file of this name")}) {
    EXPECT_NE(all.find(line), std::string::npos) << line << "\n" << all;
  }
}
