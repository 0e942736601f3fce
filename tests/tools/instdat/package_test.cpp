// instdat template, check and build --sizes-from on packages made in the test.
#include <gtest/gtest.h>

#include "archive_fixture.h"
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
                                    {"install.dat", "not counted", false, 0, 1},
                                    {"launcher.gale", Picture(key), false, 0, 0},
                                    {"scene\\a.txt", std::string(500, 'a'), true, 0, 0}}));
  WriteFileBytes(dir / "disc2/game.dat", BuildArchive(102, {{"scene\\b.txt", std::string(700, 'b'), false, 0, 0},
                                                            {"voice\\v.ogg", std::string(90, 'v'), false, 0, 1},
                                                            {"movie\\op.MPG", std::string(40, 'm'), false, 0, 1}}));
}

}  // namespace

TEST(InstdatPackage, ClassifiesExtensionsAsTheWizardDoes) {
  EXPECT_EQ(ClassifyExtension("a\\b.OGG"), 1);
  EXPECT_EQ(ClassifyExtension("b.wav"), 1);
  EXPECT_EQ(ClassifyExtension("c.mpeg"), 2);
  EXPECT_EQ(ClassifyExtension("c.mpe"), 0);  // not a whole word of the list
  EXPECT_EQ(ClassifyExtension("c.og"), 0);
  EXPECT_EQ(ClassifyExtension("noext"), 0);
  EXPECT_EQ(ClassifyExtension("demo.exe"), 0);
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
  // Disc 1: demo.exe 3000 + readme 6 (install.dat left out); data: the picture
  // and the zlib stream of a.txt; disc 2: data 700, the voice 90, the movie 40.
  const int64_t data1 = static_cast<int64_t>(Picture(20261208).size() + Deflate(std::string(500, 'a')).size());
  EXPECT_NE(r.out.find("\"DiskProgramSize\": [3006,0],"), std::string::npos) << r.out;
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
  s.InstallKind = 5;
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
           std::string("DiskProgramSize[0] is 65536 but in " + U(dir / "disc1/game.dat") + " it is 3006"),
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
