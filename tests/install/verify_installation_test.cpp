// An installation laid out by the test (install.dat with the uninstaller's
// flag, loose files, a data file), checked as it is, then damaged.
#include <gtest/gtest.h>

#include "common/archive_fixture.h"
#include "base/fs.h"
#include "common/temp_dir.h"
#include "settings/install_set.h"
#include "install/verify_installation.h"

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// In dir\inst: two loose files, install.dat and game.dat with three entries
// (the last one stored, so its bytes end the file).
std::string MakeInstallation(const TempDir& dir, const std::vector<std::string>& extra_names = {}) {
  const std::string folder = dir / "inst\\";
  WriteFileBytes(folder + "readme.txt", "read me");
  WriteFileBytes(folder + "bin\\tool.dll", "tool");
  WriteFileBytes(folder + "game.dat", BuildArchive(102, {{"scene\\a.txt", std::string(5000, 'a'), true, 1, 0},
                                                         {"/old.txt", "superseded", false, 1, 0},
                                                         {"cg\\b.bmp", std::string(3 << 20, 'b'), false, 1, 0}}));
  TZefoInstallSet s;
  s.UninstallMode = 1;
  s.InstalledFiles = {"readme.txt", "bin\\tool.dll", "game.dat", "install.dat"};
  for (const std::string& name : extra_names) s.InstalledFiles.push_back(name);
  s.SaveToFile(folder + "install.dat");
  return folder;
}

}  // namespace

TEST(VerifyInstallation, AnIntactInstallationChecksEveryFileAndEntry) {
  TempDir dir;
  const std::string folder = MakeInstallation(dir);
  int64_t last_done = -1, last_total = -1;
  int calls = 0;
  const TInstallationReport r = VerifyInstallation(folder, [&](int64_t done, int64_t total) {
    EXPECT_GT(done, last_done);
    last_done = done, last_total = total, ++calls;
  });
  EXPECT_TRUE(r.Intact());
  EXPECT_EQ(r.files_present, 4);
  EXPECT_EQ(r.entries_checked, 2);  // the superseded entry left out
  EXPECT_EQ(r.bytes_checked, last_total);
  EXPECT_EQ(last_done, last_total);
  EXPECT_GE(calls, 4);  // the 3 MiB entry reports block by block
  EXPECT_EQ(ReportLines(r), std::vector<std::string>{
                                "verify: 4 files present, 2 entries checked (" + std::to_string(last_total) + " bytes): intact"});
  // Without the trailing delimiter the same.
  const TInstallationReport same = VerifyInstallation(folder.substr(0, folder.size() - 1));
  EXPECT_TRUE(same.Intact());
  EXPECT_EQ(same.recorded, (std::vector<std::string>{"readme.txt", "bin\\tool.dll", "game.dat", "install.dat"}));
  // A stop asked for by the progress (the installer's Abort) is no damage found: it passes through.
  struct Stopped {};
  EXPECT_THROW(VerifyInstallation(folder, [](int64_t, int64_t) { throw Stopped(); }), Stopped);
}

TEST(VerifyInstallation, NamesWhatIsMissingDamagedOrOutside) {
  TempDir dir;
  WriteFileBytes(dir / "outside.txt", "not the installation's");
  const std::string folder = MakeInstallation(dir, {"..\\outside.txt", "C:\\windows\\win.ini\r\nmissing: x"});
  std::string data = ReadFileBytes(folder + "game.dat");
  data[data.size() - 100] ^= 0x01;
  WriteFileBytes(folder + "game.dat", data);
  WriteFileBytes(folder + "bin\\tool.dll", "");  // present, even empty
  ASSERT_TRUE(fs::EraseFile(folder + "readme.txt"));

  TInstallationReport r = VerifyInstallation(folder);
  EXPECT_FALSE(r.Intact());
  EXPECT_EQ(r.missing, std::vector<std::string>{"readme.txt"});
  EXPECT_EQ(r.refused, (std::vector<std::string>{"..\\outside.txt", "C:\\windows\\win.ini\r\nmissing: x"}));
  ASSERT_EQ(r.damaged.size(), 1u);
  EXPECT_EQ(r.damaged[0].name, "cg\\b.bmp");
  EXPECT_EQ(r.damaged[0].what, TDamagedEntry::TWhat::kCrcMismatch);
  EXPECT_EQ(r.files_present, 3);
  const std::vector<std::string> lines = ReportLines(r);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "missing: readme.txt");
  EXPECT_EQ(lines[1], "refused: ..\\outside.txt (leads out of the install folder)");
  EXPECT_EQ(lines[2], "refused: C:\\windows\\win.ini / missing: x (leads out of the install folder)");  // one line
  EXPECT_EQ(lines[3], "damaged: game.dat: cg\\b.bmp: CRC mismatch");
  EXPECT_NE(lines[4].find("): 1 missing, 2 refused, 1 damaged"), std::string::npos) << lines[4];

  // Cut short: the directory no longer fits the data, and the data file is
  // reported unreadable as a whole.
  WriteFileBytes(folder + "game.dat", data.substr(0, data.size() - 10));
  r = VerifyInstallation(folder);
  EXPECT_TRUE(r.damaged.empty());
  EXPECT_NE(r.data_error.find("game.dat"), std::string::npos) << r.data_error;

  // Not an archive at all: reported, not thrown.
  WriteFileBytes(folder + "game.dat", "no archive");
  r = VerifyInstallation(folder);
  EXPECT_FALSE(r.data_error.empty());
  EXPECT_EQ(ReportLines(r)[3].rfind("unreadable: game.dat: ", 0), 0u);
  EXPECT_NE(ReportLines(r).back().find(", data file unreadable"), std::string::npos);
}

TEST(VerifyInstallation, AFolderThatIsNoInstallation) {
  TempDir dir;
  EXPECT_EQ(VerifyInstallation(dir.Path()).settings, TInstallationReport::TSettings::kMissing);
  EXPECT_EQ(ReportLines(VerifyInstallation(dir.Path())), std::vector<std::string>{"verify: no install.dat in the folder"});

  TZefoInstallSet medium;
  medium.InstalledFiles = {"nothing.txt"};
  medium.SaveToFile(dir / "install.dat");
  EXPECT_EQ(VerifyInstallation(dir.Path()).settings, TInstallationReport::TSettings::kNotInstalled);

  WriteFileBytes(dir / "install.dat", "is107\x01");
  const TInstallationReport r = VerifyInstallation(dir.Path());
  EXPECT_EQ(r.settings, TInstallationReport::TSettings::kDamaged);
  EXPECT_FALSE(r.Intact());
  EXPECT_EQ(ReportLines(r)[0].rfind("verify: install.dat cannot be read: ", 0), 0u);
}
