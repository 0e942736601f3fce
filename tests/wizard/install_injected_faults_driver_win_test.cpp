// Faults of a real machine injected from outside while an install runs: a
// full disk, a disc taken out, the program killed, Abort in the data step.
// Every one ends cleanly: a message that says what failed, nothing recorded,
// and install.dat and game.ext either whole or absent.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "common/archive_fixture.h"
#include "archive/vrfiles.h"
#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "common/scenario_win.h"
#include "forms/message_dialog_win.h"

using driver::Process;
using testing_support::ExpectNothingRecorded;
using testing_support::Has;
using testing_support::kTimeout;
using testing_support::ReadFileBytes;
using testing_support::TestMedium;
using testing_support::Wizard;
using testing_support::WriteFileBytes;

namespace {

constexpr int32_t kOld = 0x5A213C40;
constexpr char kSmallDrive = 'T';

// A file system of a few hundred KiB of its own (tmpfs), as drive T: of the
// prefix. Mounting needs the host's root; without it the test is skipped.
class SmallDisk {
 public:
  SmallDisk(const testing_support::TempDir& dir, int kib) {
    folder_ = dir / "smalldisk\\";
    fs::MakeDirectories(folder_);
    host_ = testing_support::HostPathOf(RemoveTrailingDelimiter(folder_));
    testing_support::RunHostCommand("/bin/mount", {"-t", "tmpfs", "-o", Format("size=%dk", kib), "tmpfs", host_});
    mounted_ = Small(kib);
    if (mounted_) testing_support::PointDrive(kSmallDrive, folder_);
  }
  ~SmallDisk() {
    if (!mounted_) return;
    testing_support::PointDrive(kSmallDrive, "");
    // Lazily: Wine may still hold the folder.
    EXPECT_TRUE(testing_support::RunHostCommand("/bin/umount", {"-l", host_})) << host_ << " is still mounted";
  }
  bool Mounted() const { return mounted_; }
  // The install folder on it.
  static std::string Target() { return std::string(1, kSmallDrive) + ":\\Game\\"; }

 private:
  // The folder's file system holds no more than kib KiB: the small one is mounted.
  bool Small(int kib) const {
    ULARGE_INTEGER total = {};
    return GetDiskFreeSpaceExW(enc::Wide(folder_).c_str(), nullptr, &total, nullptr) &&
           total.QuadPart <= static_cast<uint64_t>(kib) * 1024;
  }

  std::string folder_, host_;
  bool mounted_ = false;
};

// A nearly full drive asks whether to go on: yes.
void ToConfirmPage(const Wizard& w, const std::string& target, bool data) {
  testing_support::WalkToConfirmPage(w, target, {data}, true);
}

// The error box of a failed work, then Abort; returns the error's text.
std::wstring ErrorThenAbort(const Wizard& w, const Process& p) {
  const driver::MessageDialogContent error = w.Answer(IDOK, kTimeout);
  EXPECT_EQ(error.caption, L"エラー");
  w.Click(kIdBtnAbort);
  w.Answer(IDYES);
  EXPECT_TRUE(p.WaitExit(kTimeout));
  return error.text;
}

// install.dat and game.ext are whole or absent, and "InstallPath" stands
// only for an install that ended.
void ExpectWholeOrAbsent(const TestMedium& m, const std::string& target, size_t names_when_done) {
  bool installed_whole = false;
  if (fs::FileExists(target + "install.dat")) {
    TZefoInstallSet s;
    EXPECT_NO_THROW(s.LoadFromFile(target + "install.dat")) << "a cut install.dat";
    installed_whole = s.UninstallMode == 1 && s.InstalledFiles.size() == names_when_done;
  }
  if (fs::FileExists(target + "game.ext")) {
    TVrFileCollection data;
    EXPECT_NO_THROW(data.Open(target + "game.dat")) << "a cut game.ext";
  }
  if (m.settings.ReadValue("InstallPath", "") != "") {
    EXPECT_TRUE(installed_whole) << "InstallPath written for an install that did not end";
  }
}

}  // namespace

TEST(InstallFault, AFullDiskStopsTheWorkAtEachKindOfWrite) {
  enum Phase { kLoose, kMerge, kSeparate, kSettings };
  const struct {
    Phase phase;
    const char* name;
    const wchar_t* named;  // what the message must name
  } rows[] = {{kLoose, "loose file", L"big.bin"},
              {kMerge, "data file", L"game.dat"},
              {kSeparate, "separate file", L"big.bin"},
              {kSettings, "settings file", L"install.dat"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TestMedium m;
    SmallDisk disk(m.Dir(), 512);
    if (!disk.Mounted()) GTEST_SKIP() << "a small file system needs the host's root to mount it";
    const std::string target = SmallDisk::Target();
    TZefoInstallSet& s = m.settings;
    const std::string big(1 << 20, 'b');
    switch (row.phase) {
      case kLoose: m.AddLoose(0, "big.bin", big); break;
      case kMerge:
        m.AddLoose(0, "game.exe", "game");
        m.AddEntry(0, {"data.bin", big, false, kOld, 0});
        s.DataSize = s.DiskDataSize[0] = 1;
        break;
      case kSeparate:
        s.FromArchive = 1;
        m.AddEntry(0, {"big.bin", big, false, kOld, 1});
        break;
      case kSettings:
        // The files fit; the settings file, with its long list, does not.
        m.AddLoose(0, "game.exe", std::string(440 << 10, 'g'));
        for (int i = 0; i < 4000; ++i) s.CopyFiles.push_back(Format("unused\\file-with-a-long-name-%05d.txt", i));
        break;
    }
    m.Write();
    Process p = m.StartWizard();
    Wizard w(p);
    ToConfirmPage(w, target, row.phase == kMerge);
    w.Click(kIdBtnNext);
    const std::wstring text = ErrorThenAbort(w, p);
    EXPECT_NE(text.find(row.named), std::wstring::npos) << enc::Narrow(text);
    ExpectNothingRecorded(m.settings, target);
    if (row.phase == kLoose || row.phase == kSeparate) {
      EXPECT_FALSE(fs::FileExists(target + "big.bin")) << "a cut file left";
    }
  }
}

TEST(InstallFault, ADiscTakenOutWhileCopying) {
  TestMedium m;
  // Enough that the copy is still going when the drive goes (a few seconds under Wine).
  for (int i = 0; i < 40; ++i) m.AddLoose(0, Format("part%02d.bin", i), std::string(16 << 20, static_cast<char>(i)));
  m.Write();
  const std::string target = m.Target();
  const std::string log = m.Dir() / "run.log";
  Process p = m.StartWizard(log);
  Wizard w(p);
  ToConfirmPage(w, target, false);
  w.Click(kIdBtnNext);
  ASSERT_TRUE(driver::WaitUntil([&] { return w.Text(kIdLabelCopy).find(L"をコピー中") != std::wstring::npos; }, kTimeout));
  ASSERT_TRUE(testing_support::PointDrive('M', ""));  // the disc is out
  const std::wstring text = ErrorThenAbort(w, p);
  EXPECT_NE(text.find(L"part"), std::wstring::npos) << enc::Narrow(text);
  ExpectNothingRecorded(m.settings, target);
  // The Abort after the error does not make the failure a cancellation.
  EXPECT_EQ(p.ExitCode(), 1u);
  EXPECT_TRUE(Has(testing_support::LogText(log), "error: "));
}

TEST(InstallFault, AbortWhileTheDataFileIsBuiltOrVerified) {
  for (const wchar_t* status : {L"データファイルを構築中", L"データファイルを調べています"}) {
    SCOPED_TRACE(enc::Narrow(status));
    TestMedium m;
    // Enough entries that each step outlasts the window's drawing interval.
    m.settings.DataSize = m.settings.DiskDataSize[0] = 16000 * 1024;
    m.AddLoose(0, "game.exe", "game");
    for (int i = 0; i < 16000; ++i) m.AddEntry(0, {Format("scene\\s%05d.txt", i), std::string(1024, 's'), false, kOld, 0});
    m.Write();
    const std::string target = m.Target();
    Process p = m.StartWizard();
    Wizard w(p);
    ToConfirmPage(w, target, true);
    w.Click(kIdBtnNext);
    ASSERT_TRUE(driver::WaitUntil([&] { return w.Text(kIdLabelCopy).find(status) != std::wstring::npos; }, kTimeout));
    w.Click(kIdBtnAbort);
    w.Answer(IDYES);
    EXPECT_TRUE(p.WaitExit(kTimeout));
    ExpectNothingRecorded(m.settings, target);
    // A merge stopped before it wrote its directory.
    if (std::wstring(status) == L"データファイルを構築中") {
      EXPECT_FALSE(fs::FileExists(target + "game.ext"));
    }
  }
}

TEST(InstallFault, KilledAtAnyMomentNeverLooksInstalled) {
  const char* runs_text = std::getenv("ZI_KILL_RUNS");
  const int runs = runs_text ? std::atoi(runs_text) : 12;
  TestMedium m;
  TZefoInstallSet& s = m.settings;
  s.DataSize = s.DiskDataSize[0] = 600 * 16384;
  for (int i = 0; i < 150; ++i) m.AddLoose(0, Format("files\\f%03d.bin", i), std::string(16384, static_cast<char>(i)));
  m.AddLoose(0, "game.exe", "game");
  for (int i = 0; i < 600; ++i) m.AddEntry(0, {Format("d%03d", i), std::string(16384, 'd'), false, kOld, 0});
  m.Write();
  const std::string target = m.Target();
  const size_t names_when_done = 151 + 3;  // loose files, game.ext, game.dat, install.dat

  // One whole install first: how long the work takes.
  DWORD whole_ms = 0;
  {
    Process p = m.StartWizard();
    Wizard w(p);
    ToConfirmPage(w, target, true);
    const DWORD t0 = GetTickCount();
    w.Click(kIdBtnNext);
    ASSERT_TRUE(w.WaitForCaption(L"完了", 60000));
    whole_ms = GetTickCount() - t0;
    w.Click(kIdBtnAbort);
    ASSERT_TRUE(p.WaitExit(kTimeout));
    ExpectWholeOrAbsent(m, target, names_when_done);
  }
  for (int run = 0; run < runs; ++run) {
    SCOPED_TRACE(Format("run %d", run));
    s.DeleteRegistryKey();  // "InstallPath" must come from this run, or not at all
    Process p = m.StartWizard();
    Wizard w(p);
    ToConfirmPage(w, target, true);
    w.Click(kIdBtnNext);
    // Spread over the whole work, the final pauses included.
    Sleep(static_cast<DWORD>((static_cast<uint64_t>(whole_ms) * (2 * run + 1)) / (2 * runs)));
    p.Kill();
    ASSERT_TRUE(p.WaitExit(kTimeout));
    ExpectWholeOrAbsent(m, target, names_when_done);
  }
}
