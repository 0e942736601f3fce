// The deletion work in this process, with an observer that records what the
// work reports: the order of the steps, and what a damaged or tampered
// settings file must never reach. (Abort at the input points is worked from
// outside, in uninstall_driver_win_test.cpp.)
#include "install/delete_work_win.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/fs.h"
#include "common/package_win.h"
#include "common/scenario_win.h"
#include "common/temp_dir.h"
#include "common/unix_link_win.h"
#include "os/files_win.h"
#include "os/registry_win.h"
#include "base/paths.h"
#include "install/records_win.h"
#include "install/shell_link_win.h"

using testing_support::Exists;
using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

class RecordingObserver : public TWorkObserver {
 public:
  void Caption(const std::string& text) override { log.push_back("caption " + text); }
  void Status(const std::string& text) override { log.push_back("status " + text); }
  void ByteProgress(int64_t, int64_t) override { log.push_back("bytes"); }
  void ItemProgress(int32_t, int32_t) override { log.push_back("items"); }
  void HideProgress() override { log.push_back("hide"); }
  bool StopRequested() override {
    log.push_back("input");
    return false;
  }
  bool AskForDisc(int, std::string&) override { return false; }
  void Warn(const std::string& text) override { log.push_back("warn " + text); }
  void Inform(const std::string& text) override { log.push_back("inform " + text); }
  void Error(const std::string& text) override { log.push_back("error " + text); }
  void Pause(int ms) override { log.push_back("pause " + std::to_string(ms)); }
  void BringToFront() override { log.push_back("front"); }
  // What happened to each file; the other records (group, registry) are not counted.
  void Note(const std::string& text) override {
    if (text.rfind("deleted: ", 0) == 0 || text.rfind("skipped: ", 0) == 0 || text.rfind("not deleted: ", 0) == 0)
      notes.push_back(text);
  }

  std::vector<std::string> log, notes;
};

// An installation laid out by hand: settings with a title and a key of their own.
struct Installation {
  Installation() {
    settings.Title = testing_support::UniqueName("DelTitle");
    settings.RegistryKey = maker + "\\Game";
  }
  ~Installation() { settings.DeleteRegistryKey(); }
  std::string Folder() const { return dir / "game\\"; }
  void Add(const std::string& name, const std::string& bytes = "x") {
    WriteFileBytes(Folder() + name, bytes);
    settings.InstalledFiles.push_back(name);
  }
  TWorkOutcome Delete(RecordingObserver& o, bool save = false) {
    return TDeleteWork(settings, Folder(), TDeleteChoices{save}, o).Run();
  }
  TempDir dir;
  const std::string maker = testing_support::UniqueName("Maker");
  TZefoInstallSet settings;
};

std::string ShellFolder(int csidl) {
  wchar_t buf[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) return {};
  return enc::Narrow(buf) + "\\";
}

}  // namespace

TEST(DeleteWork, StepsInOrderAndEverythingOfTheInstallationGoes) {
  Installation inst;
  inst.Add("game.exe");
  inst.Add("data\\voice\\a.ogg");
  inst.Add("DATA\\b.bin");
  inst.Add("install.dat");
  inst.Add("readonly.txt");
  SetFileAttributesW(enc::Wide(inst.Folder() + "readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  WriteFileBytes(inst.Folder() + "game.ini", "ini");        // never recorded, always goes
  WriteFileBytes(inst.Folder() + "save.dat", "save");       // kept unless asked
  fs::MakeDirectories(inst.Folder() + "empty\\deeper");     // emptied folders go
  inst.Add("user\\a.txt");
  WriteFileBytes(inst.Folder() + "user\\deep\\mine.txt", "mine");  // not recorded: its folders stay
  inst.settings.WriteValue("InstallPath", inst.Folder());
  RecordingObserver o;
  EXPECT_EQ(inst.Delete(o), TWorkOutcome::kFinished);
  const std::string t = inst.settings.Title;
  EXPECT_EQ(o.log, std::vector<std::string>({"caption " + t + " を削除しています", "status ショートカットを削除しています...",
                                             "input", "pause 3000", "front", "status ファイルを削除しています...", "input",
                                             "status レジストリを削除しています...", "input", "pause 1000"}));
  EXPECT_EQ(ReadFileBytes(inst.Folder() + "save.dat"), "save");
  EXPECT_EQ(ReadFileBytes(inst.Folder() + "user\\deep\\mine.txt"), "mine");
  EXPECT_FALSE(Exists(inst.Folder() + "user\\a.txt"));
  for (const char* gone : {"game.exe", "data", "readonly.txt", "install.dat", "game.ini", "empty"}) {
    SCOPED_TRACE(gone);
    EXPECT_FALSE(Exists(inst.Folder() + gone));
  }
  EXPECT_TRUE(fs::DirectoryExists(inst.Folder()));  // save.dat holds it
  EXPECT_EQ(inst.settings.ReadValue("InstallPath", "<none>"), "<none>");
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, "Software\\" + inst.maker, KEY_READ).IsOpen());

  // Asked to, the save data goes too, and the install folder with it.
  testing_support::RemoveTree(inst.Folder() + "user");
  RecordingObserver again;
  EXPECT_EQ(inst.Delete(again, true), TWorkOutcome::kFinished);
  EXPECT_FALSE(Exists(inst.Folder()));
  EXPECT_TRUE(fs::DirectoryExists(inst.dir.Path()));  // never above the install folder
}

TEST(DeleteWork, NamesLeadingOutOfTheInstallFolderAreSkipped) {
  Installation inst;
  inst.Add("game.exe");
  const std::string victim = inst.dir / "victim.txt";
  WriteFileBytes(victim, "victim");
  // The same file named every way that leads out of the install folder.
  const std::string absolute = victim;
  const std::string unc = "\\\\?\\" + victim;
  for (const std::string& name :
       {std::string("..\\victim.txt"), std::string("../victim.txt"), std::string("a\\..\\..\\victim.txt"),
        std::string(".. \\victim.txt"), std::string("..."), absolute, unc, absolute.substr(2),
        std::string(1, absolute[0]) + ":..\\victim.txt", std::string("game.exe:stream"), std::string("\\\\server\\share\\x"),
        std::string("CON"), std::string("")}) {
    inst.settings.InstalledFiles.push_back(name);
  }
  RecordingObserver o;
  EXPECT_EQ(inst.Delete(o), TWorkOutcome::kFinished);
  EXPECT_EQ(ReadFileBytes(victim), "victim");
  EXPECT_FALSE(Exists(inst.Folder() + "game.exe"));
  EXPECT_EQ(std::count_if(o.notes.begin(), o.notes.end(), [](const std::string& n) { return n.rfind("skipped: ", 0) == 0; }),
            13);
}

TEST(DeleteWork, SystemAndUserFoldersAreRefusedBeforeAnythingIsDone) {
  const std::string name = testing_support::UniqueName("Victim") + ".txt";
  std::vector<std::string> folders = {"C:\\", WindowsFolder(), WindowsFolder() + "system32\\",
                                      ShellFolder(CSIDL_PROGRAM_FILES), ShellFolder(CSIDL_PROFILE),
                                      ShellFolder(CSIDL_DESKTOPDIRECTORY), ShellFolder(CSIDL_PERSONAL),
                                      "relative\\folder", "C:\\a\\..\\"};
  for (const std::string& folder : folders) {
    SCOPED_TRACE(folder);
    ASSERT_FALSE(folder.empty());
    const bool real = folder[1] == ':' && folder.find("..") == std::string::npos;
    if (real) WriteFileBytes(folder + name, "victim");
    TZefoInstallSet s;
    s.Title = testing_support::UniqueName("DelTitle");
    s.RegistryKey = "ZiDeleteWorkTests\\" + testing_support::UniqueName("Key");
    s.WriteValue("InstallPath", folder);
    s.InstalledFiles = {name};
    RecordingObserver o;
    EXPECT_EQ(TDeleteWork(s, folder, TDeleteChoices{true}, o).Run(), TWorkOutcome::kClosed);
    ASSERT_EQ(o.log.size(), 1u);
    EXPECT_EQ(o.log[0], "error " + folder + "\r\nこのフォルダは削除できません。アンインストールを中止します");
    if (real) {
      EXPECT_EQ(ReadFileBytes(folder + name), "victim");
      fs::EraseFile(folder + name);
    }
    EXPECT_EQ(s.ReadValue("InstallPath", ""), folder);  // the key stays too
    s.DeleteRegistryKey();
  }
}

TEST(DeleteWork, LinkedFoldersAreNeverFollowedAndLinksGoAsLinks) {
  Installation inst;
  inst.Add("game.exe");
  const std::string outside = inst.dir / "outside\\";
  WriteFileBytes(outside + "victim.txt", "victim");
  WriteFileBytes(outside + "deep\\victim.txt", "victim");
  fs::MakeDirectories(outside + "empty");
  ASSERT_TRUE(testing_support::MakeUnixLink(outside, inst.Folder() + "linked"));
  fs::MakeDirectories(inst.Folder() + "sub");
  ASSERT_TRUE(testing_support::MakeUnixLink(outside, inst.Folder() + "sub\\dirlink"));
  ASSERT_TRUE(testing_support::MakeUnixLink(outside + "victim.txt", inst.Folder() + "filelink"));
  for (const char* name : {"linked\\victim.txt", "linked\\deep\\victim.txt", "sub\\dirlink\\victim.txt", "filelink",
                           "sub\\dirlink"})
    inst.settings.InstalledFiles.push_back(name);
  RecordingObserver o;
  EXPECT_EQ(inst.Delete(o), TWorkOutcome::kFinished);
  EXPECT_EQ(ReadFileBytes(outside + "victim.txt"), "victim");
  EXPECT_EQ(ReadFileBytes(outside + "deep\\victim.txt"), "victim");
  EXPECT_TRUE(fs::DirectoryExists(outside + "empty"));  // emptied folders are looked for in the installation only
  EXPECT_FALSE(Exists(inst.Folder() + "game.exe"));
  EXPECT_TRUE(Exists(inst.Folder() + "linked"));  // not recorded: stays, and keeps the install folder
  ASSERT_EQ(o.notes.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(o.notes.begin(), o.notes.begin() + 4),
            std::vector<std::string>({"deleted: game.exe", "skipped: linked\\victim.txt",
                                      "skipped: linked\\deep\\victim.txt", "skipped: sub\\dirlink\\victim.txt"}));
  // A recorded name that is itself a link: Windows opens the link and deletes
  // it; Wine shows only what it leads to, so it stays there, unfollowed.
  for (size_t i : {4u, 5u}) {
    const std::string link = i == 4 ? "filelink" : "sub\\dirlink";
    SCOPED_TRACE(link);
    const std::string& note = o.notes[i];
    EXPECT_TRUE(note == "deleted: " + link || note == "skipped: " + link) << note;
    EXPECT_EQ(Exists(inst.Folder() + link), note == "skipped: " + link);
  }

  // A linked install folder is refused whole.
  Installation linked;
  ASSERT_TRUE(testing_support::MakeUnixLink(outside, linked.dir / "game"));
  linked.settings.InstalledFiles = {"victim.txt"};
  RecordingObserver refused;
  EXPECT_EQ(linked.Delete(refused), TWorkOutcome::kClosed);
  EXPECT_EQ(ReadFileBytes(outside + "victim.txt"), "victim");
}

namespace {

// COM for the shell's link objects, for one test.
struct Com {
  Com() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~Com() { CoUninitialize(); }
};

std::string Programs() { return ShellFolder(CSIDL_PROGRAMS); }

void Link(const std::string& group, const std::string& name, const std::string& target) {
  CreateShortcut(name, target, "", name, ExtractFilePath(target), lnkPrograms, group, TWindowState::wsNormal, 0, 0);
}

size_t Count(const std::vector<std::string>& notes, const std::string& prefix) {
  return std::count_if(notes.begin(), notes.end(), [&](const std::string& n) { return n.rfind(prefix, 0) == 0; });
}

}  // namespace

TEST(DeleteWork, TheProgramGroupLosesOnlyThisInstallationsShortcuts) {
  const Com com;
  // Alone in its group: the whole group goes, and that is confirmed.
  Installation alone;
  alone.settings.Title += "デモ";  // through the code page of the system's shell: both locales are tested
  alone.Add("game.exe");
  alone.Add("install.exe");
  alone.settings.GameExe = "game.exe";
  CreateShortcuts(alone.settings, alone.Folder(), false);
  const std::string alone_group = Programs() + alone.settings.Title;
  ASSERT_TRUE(fs::FileExists(alone_group + "\\" + alone.settings.Title + ".lnk"));
  RecordingObserver o1;
  EXPECT_EQ(alone.Delete(o1), TWorkOutcome::kFinished);
  EXPECT_FALSE(fs::DirectoryExists(alone_group));

  // Beside another program's shortcut: only its own go, the group stays.
  Installation shared;
  shared.Add("game.exe");
  shared.settings.GameExe = "game.exe";
  CreateShortcuts(shared.settings, shared.Folder(), false);
  const std::string other = shared.dir / "other\\other.exe";
  WriteFileBytes(other, "other");
  Link(shared.settings.Title, "Other", other);
  const std::string shared_group = Programs() + shared.settings.Title + "\\";
  RecordingObserver o2;
  EXPECT_EQ(shared.Delete(o2), TWorkOutcome::kFinished);
  EXPECT_TRUE(fs::FileExists(shared_group + "Other.lnk"));
  EXPECT_FALSE(fs::FileExists(shared_group + shared.settings.Title + ".lnk"));
  EXPECT_FALSE(fs::FileExists(shared_group + shared.settings.Title + "のアンインストール.lnk"));
  testing_support::RemoveTree(shared_group);

  // A title the system owns: StartUp keeps its folder and another program's shortcut.
  Installation startup;
  startup.Add("game.exe");
  startup.settings.Title = "StartUp";
  Link("StartUp", "StartUp", startup.Folder() + "game.exe");
  Link("StartUp", "ZiOther", other);
  const std::string startup_group = Programs() + "StartUp\\";
  RecordingObserver o3;
  EXPECT_EQ(startup.Delete(o3), TWorkOutcome::kFinished);
  EXPECT_TRUE(fs::FileExists(startup_group + "ZiOther.lnk"));
  EXPECT_FALSE(fs::FileExists(startup_group + "StartUp.lnk"));
  fs::EraseFile(startup_group + "ZiOther.lnk");

  // A title that climbs out of the Programs folder touches nothing at all.
  Installation climbing;
  climbing.Add("game.exe");
  climbing.settings.Title = "..";
  const std::string vendor = testing_support::UniqueName("Vendor");
  Link(vendor, "Tool", other);
  RecordingObserver o4;
  EXPECT_EQ(climbing.Delete(o4), TWorkOutcome::kFinished);
  EXPECT_TRUE(fs::FileExists(Programs() + vendor + "\\Tool.lnk"));
  EXPECT_TRUE(fs::DirectoryExists(Programs()));
  EXPECT_FALSE(Exists(climbing.Folder() + "game.exe"));
  testing_support::RemoveTree(Programs() + vendor);
}

TEST(DeleteWork, ASecondInstallationOfTheTitleKeepsItsRecords) {
  const Com com;
  Installation first, second;
  second.settings.Title = first.settings.Title;
  second.settings.RegistryKey = first.settings.RegistryKey;
  first.Add("game.exe");
  second.Add("game.exe");
  second.Add("install.exe");
  second.settings.GameExe = "game.exe";
  // The second installation was made last: the group and InstallPath are its own.
  CreateShortcuts(second.settings, second.Folder(), false);
  second.settings.WriteValue("InstallPath", second.Folder());
  RecordingObserver o;
  EXPECT_EQ(first.Delete(o), TWorkOutcome::kFinished);
  EXPECT_FALSE(Exists(first.Folder() + "game.exe"));
  EXPECT_EQ(second.settings.ReadValue("InstallPath", ""), second.Folder());
  const std::string group = Programs() + second.settings.Title + "\\";
  EXPECT_TRUE(fs::FileExists(group + second.settings.Title + ".lnk"));
  RecordingObserver o2;
  EXPECT_EQ(second.Delete(o2), TWorkOutcome::kFinished);
  EXPECT_FALSE(fs::DirectoryExists(group));
  EXPECT_EQ(second.settings.ReadValue("InstallPath", "<none>"), "<none>");
}

TEST(DeleteWork, AOneLevelKeyLosesOnlyTheInstallationsValues) {
  Installation inst;
  inst.settings.RegistryKey = inst.maker;  // a vendor's key, maybe shared
  inst.Add("game.exe");
  inst.settings.WriteValue("InstallPath", inst.Folder());
  inst.settings.WriteValue("CDDrive", "Q:");
  const std::string product = "Software\\" + inst.maker + "\\OtherProduct";
  ASSERT_TRUE(RegKey::Create(HKEY_CURRENT_USER, product).SetString("InstallPath", "D:\\Other\\"));
  RecordingObserver o;
  EXPECT_EQ(inst.Delete(o), TWorkOutcome::kFinished);
  EXPECT_EQ(inst.settings.ReadValue("InstallPath", "<none>"), "<none>");
  EXPECT_EQ(inst.settings.ReadValue("CDDrive", "<none>"), "<none>");
  std::string other;
  EXPECT_TRUE(RegKey::Open(HKEY_CURRENT_USER, product, KEY_READ).QueryString("InstallPath", &other));
  EXPECT_EQ(other, "D:\\Other\\");
  RegKey::Open(HKEY_CURRENT_USER, "Software", KEY_ALL_ACCESS).DeleteTree(inst.maker);

  // Left empty, the key goes.
  Installation alone;
  alone.settings.RegistryKey = alone.maker;
  alone.Add("game.exe");
  alone.settings.WriteValue("InstallPath", alone.Folder());
  RecordingObserver o2;
  EXPECT_EQ(alone.Delete(o2), TWorkOutcome::kFinished);
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, "Software\\" + alone.maker, KEY_READ).IsOpen());
}

TEST(DeleteWork, AFileInUseIsNamedAndTheRecordsStayForTheNextRun) {
  Installation inst;
  inst.Add("game.exe");
  inst.Add("data\\voice.ogg");
  inst.Add("install.exe");
  inst.Add("install.dat");
  inst.settings.WriteValue("InstallPath", inst.Folder());
  {
    const HANDLE held = CreateFileW(enc::Wide(inst.Folder() + "data\\voice.ogg").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    RecordingObserver o;
    EXPECT_EQ(inst.Delete(o), TWorkOutcome::kIncomplete);
    CloseHandle(held);
    ASSERT_EQ(Count(o.notes, "not deleted: "), 1u);
    EXPECT_EQ(o.notes[1].rfind("not deleted: data\\voice.ogg (", 0), 0u) << o.notes[1];
    ASSERT_FALSE(o.log.empty());
    EXPECT_EQ(o.log.back().rfind("warn 次のものを削除できませんでした", 0), 0u) << o.log.back();
    EXPECT_NE(o.log.back().find("\r\ndata\\voice.ogg"), std::string::npos);
  }
  EXPECT_FALSE(Exists(inst.Folder() + "game.exe"));
  EXPECT_TRUE(Exists(inst.Folder() + "install.exe"));
  TZefoInstallSet left;
  left.LoadFromFile(inst.Folder() + "install.dat");
  EXPECT_EQ(left.InstalledFiles, std::vector<std::string>({"data\\voice.ogg", "install.exe", "install.dat"}));
  EXPECT_EQ(inst.settings.ReadValue("InstallPath", ""), inst.Folder());

  // Once the file is free, a second run from the kept records finishes.
  RecordingObserver again;
  TDeleteWork second(left, inst.Folder(), TDeleteChoices{}, again);
  EXPECT_EQ(second.Run(), TWorkOutcome::kFinished);
  EXPECT_FALSE(Exists(inst.Folder()));
  EXPECT_EQ(inst.settings.ReadValue("InstallPath", "<none>"), "<none>");
}

TEST(DeleteWork, NamesAreComparedAsTheFileSystemComparesThem) {
  Installation inst;
  // Recorded in one form, on disc in another the file system takes for the same name.
  WriteFileBytes(inst.Folder() + "ｄ.txt", "x");                 // full-width d
  inst.settings.InstalledFiles.push_back("Ｄ.txt");              // full-width D
  WriteFileBytes(inst.Folder() + "\x81\xe6.txt", "x");          // ∵ in its first code
  inst.settings.InstalledFiles.push_back("\x87\x9a.txt");       // the same character's second code
  RecordingObserver o;
  EXPECT_EQ(inst.Delete(o), TWorkOutcome::kFinished);
  EXPECT_EQ(o.notes, std::vector<std::string>({"deleted: Ｄ.txt", "deleted: \x87\x9a.txt"}));
  EXPECT_FALSE(Exists(inst.Folder()));

  // An install folder whose long name code page 932 cannot spell, given in its short form.
  TempDir dir;
  const std::wstring long_folder = enc::Wide(dir.Path()) + L"Zo\u00eb\\game";
  ASSERT_TRUE(CreateDirectoryW((enc::Wide(dir.Path()) + L"Zo\u00eb").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(long_folder.c_str(), nullptr));
  const std::string short_folder = enc::NarrowPath(long_folder) + "\\";
  WriteFileBytes(short_folder + "game.exe", "x");
  TZefoInstallSet s;
  s.Title = testing_support::UniqueName("DelTitle");
  s.RegistryKey = testing_support::UniqueName("Maker") + "\\Game";
  s.InstalledFiles = {"game.exe"};
  s.WriteValue("InstallPath", short_folder);
  RecordingObserver z;
  EXPECT_EQ(TDeleteWork(s, short_folder, TDeleteChoices{}, z).Run(), TWorkOutcome::kFinished);
  EXPECT_EQ(z.notes, std::vector<std::string>({"deleted: game.exe"}));
  EXPECT_EQ(GetFileAttributesW(long_folder.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(s.ReadValue("InstallPath", "<none>"), "<none>");
}
