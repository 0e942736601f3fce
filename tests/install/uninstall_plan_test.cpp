// The uninstaller's plan from hostile records and trees: each row a settings
// file or a snapshot of the system, and what the plan allows.
#include "install/uninstall_plan.h"

#include <gtest/gtest.h>

#include <set>

#include "base/encoding.h"
#include "install/install_journal.h"

namespace {

const std::u16string kFolder = u"C:\\Games\\Demo";

// An installation in C:\Games\Demo whose recorded files are all there.
struct Fixture {
  Fixture() {
    s.Title = "Demo";
    s.GameExe = "game.exe";
    s.RegistryKey = "Maker\\Demo";
    snap.install_final = kFolder;
    snap.windows_folder = u"C:\\windows";
    snap.kept_folders = {u"C:\\Program Files", u"C:\\users\\me", u"C:\\users\\me\\Documents"};
    snap.programs_folder = u"C:\\users\\me\\Start Menu\\Programs";
    snap.shell_folders = {u"C:\\users\\me\\Start Menu\\Programs\\StartUp", u"C:\\users\\me\\Start Menu"};
  }
  void Record(const std::string& name, const std::u16string& final_name) {
    s.InstalledFiles.push_back(name);
    TFileFacts f;
    f.exists = true;
    f.final_path = kFolder + u"\\" + final_name;
    snap.files[name] = f;
  }
  void Group(const std::vector<std::pair<std::u16string, std::u16string>>& items, const std::string& title = "Demo") {
    snap.group_exists = true;
    snap.group_final = snap.programs_folder + u"\\" + enc::SjisToUtf16(title);
    snap.shell_group_final = snap.group_final;  // the shell reads the plain title as it is
    for (const auto& [name, target] : items) snap.group_items.push_back({name, false, target});
  }
  TUninstallPlan Plan(const std::string& folder = "C:\\Games\\Demo\\") const { return PlanUninstall(s, folder, false, snap); }
  TZefoInstallSet s;
  TUninstallSnapshot snap;
};

const TPlannedFile* Find(const TUninstallPlan& plan, const std::string& name) {
  for (const TPlannedFile& f : plan.files)
    if (f.name == name) return &f;
  return nullptr;
}

}  // namespace

TEST(UninstallPlan, EachRecordedFileIsDeletedOnlyWhereTheFileSystemPutsIt) {
  Fixture x;
  x.Record("game.exe", u"game.exe");
  x.Record("Ｄ.txt", u"ｄ.txt");                  // the file system folds full-width letters
  x.Record("data\\a.bin", u"DATA\\A.BIN");
  x.Record("filelink", u"..\\outside\\victim.txt");  // a link at the end leads out
  x.Record("gone.txt", u"gone.txt");
  x.snap.files["gone.txt"].exists = false;
  x.Record("sub", u"sub");
  x.snap.files["sub"].folder = true;
  x.Record("linked\\v.txt", u"linked\\v.txt");
  x.snap.files["linked\\v.txt"].link_on_way = true;
  x.Record("locked.dat", u"locked.dat");
  x.snap.files["locked.dat"].open_error = 5;
  x.s.InstalledFiles.push_back("..\\victim.txt");  // never examined
  x.s.InstalledFiles.push_back("C:\\victim.txt");
  const TUninstallPlan plan = x.Plan();
  ASSERT_FALSE(plan.refused);
  struct Row {
    const char* name;
    TFileVerdict verdict;
  } rows[] = {{"game.exe", TFileVerdict::kDelete},      {"Ｄ.txt", TFileVerdict::kDelete},
              {"data\\a.bin", TFileVerdict::kDelete},   {"filelink", TFileVerdict::kElsewhere},
              {"gone.txt", TFileVerdict::kMissing},     {"sub", TFileVerdict::kFolder},
              {"linked\\v.txt", TFileVerdict::kThroughLink}, {"locked.dat", TFileVerdict::kUnreadable},
              {"..\\victim.txt", TFileVerdict::kRefusedName}, {"C:\\victim.txt", TFileVerdict::kRefusedName},
              {"game.ini", TFileVerdict::kMissing}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const TPlannedFile* f = Find(plan, row.name);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->verdict, row.verdict);
  }
  EXPECT_EQ(Find(plan, "Ｄ.txt")->expected_final, kFolder + u"\\Ｄ.txt");
  EXPECT_EQ(Find(plan, "locked.dat")->error, 5u);
  EXPECT_EQ(Find(plan, "save.dat"), nullptr);  // not asked for
}

TEST(UninstallPlan, TheRecordsGoLastTheUninstallerLastOfAll) {
  Fixture x;
  x.Record("INSTALL.EXE", u"install.exe");
  x.Record("install.dat", u"install.dat");
  x.Record("game.exe", u"game.exe");
  const TUninstallPlan plan = x.Plan();
  ASSERT_EQ(plan.files.size(), 4u);
  EXPECT_EQ(plan.files[0].name, "game.exe");
  EXPECT_EQ(plan.files[1].name, "game.ini");
  EXPECT_EQ(plan.files[2].name, "install.dat");
  EXPECT_EQ(plan.files[3].name, "INSTALL.EXE");
  EXPECT_FALSE(plan.files[0].record);
  EXPECT_TRUE(plan.files[2].record && plan.files[3].record);
}

TEST(UninstallPlan, TheUninstallerStaysWithItsSettingsAndARunningImageIsMovedOut) {
  const std::u16string exe = kFolder + u"\\install.exe";
  struct Row {
    const char* what;
    uint32_t settings_error;  // install.dat could not be examined
    std::vector<std::u16string> running;
    TFileVerdict uninstaller, game;
  } rows[] = {
      {"nothing runs", 0, {}, TFileVerdict::kDelete, TFileVerdict::kDelete},
      {"the uninstaller runs in place", 0, {exe}, TFileVerdict::kRunning, TFileVerdict::kDelete},
      {"the game runs too", 0, {exe, kFolder + u"\\GAME.EXE"}, TFileVerdict::kRunning, TFileVerdict::kRunning},
      {"a program elsewhere runs", 0, {u"C:\\Temp\\~zinstall.exe"}, TFileVerdict::kDelete, TFileVerdict::kDelete},
      {"install.dat is held", 32, {}, TFileVerdict::kKeep, TFileVerdict::kDelete},
      {"install.dat is held, the uninstaller runs", 32, {exe}, TFileVerdict::kKeep, TFileVerdict::kDelete},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Fixture x;
    x.Record("game.exe", u"game.exe");
    x.Record("install.dat", u"install.dat");
    x.snap.files["install.dat"].open_error = row.settings_error;
    // install.exe is the uninstaller whether listed or not.
    TFileFacts f;
    f.exists = true;
    f.final_path = exe;
    x.snap.files["install.exe"] = f;
    x.snap.running_images = row.running;
    const TUninstallPlan plan = x.Plan();
    ASSERT_NE(Find(plan, "install.exe"), nullptr);
    EXPECT_EQ(Find(plan, "install.exe")->verdict, row.uninstaller);
    EXPECT_EQ(Find(plan, "game.exe")->verdict, row.game);
  }
}

TEST(UninstallPlan, FoldersThatCannotBeTheInstallationsAreRefusedWhole) {
  struct Row {
    const char* given;
    std::u16string final_name;
    bool link;
    bool refused;
  } rows[] = {
      {"C:\\Games\\Demo", kFolder, false, false},
      {"C:\\zt\\ZOE~1\\game", u"C:\\zt\\Zoë\\game", false, false},  // a short form: judged by the long name
      {"C:\\Games\\Demo", u"", false, true},                        // cannot be opened
      {"C:\\Games\\Demo", kFolder, true, true},                     // a linked folder
      {"C:\\Games\\Demo", u"C:\\windows\\system32", false, true},   // leads into the Windows folder
      {"C:\\Games\\Demo", u"C:\\users\\me", false, true},           // leads to the profile
      {"C:\\", u"C:\\", false, true},
      {"Demo", kFolder, false, true},
      {"C:\\Program Files", u"C:\\Program Files", false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.given);
    Fixture x;
    x.snap.install_final = row.final_name;
    x.snap.install_is_link = row.link;
    EXPECT_EQ(x.Plan(row.given).refused, row.refused);
  }
  // Below a folder code page 932 cannot spell, files are expected under the long name.
  Fixture x;
  x.snap.install_final = u"C:\\zt\\Zoë\\game";
  x.s.InstalledFiles = {"a.txt"};
  TFileFacts f;
  f.exists = true;
  f.final_path = u"C:\\zt\\Zoë\\game\\a.txt";
  x.snap.files["a.txt"] = f;
  EXPECT_EQ(Find(x.Plan("C:\\zt\\ZOE~1\\game"), "a.txt")->verdict, TFileVerdict::kDelete);
}

TEST(UninstallPlan, TheProgramGroupIsTouchedOnlyWhereItIsTheInstallations) {
  using M = TGroupPlan::TMode;
  const std::u16string game = kFolder + u"\\game.exe", other = u"D:\\Other\\other.exe";
  const std::u16string uninstall = u"Demoのアンインストール.lnk";
  struct Row {
    const char* what;
    std::string title;
    std::vector<std::pair<std::u16string, std::u16string>> items;
    M mode;
    size_t own_links;
  } rows[] = {
      {"only its own shortcuts", "Demo", {{u"Demo.lnk", game}, {uninstall, kFolder + u"\\install.exe"}}, M::kWholeGroup, 2},
      {"an empty group", "Demo", {}, M::kWholeGroup, 0},
      {"another program's shortcut too", "Demo", {{u"Demo.lnk", game}, {u"Other.lnk", other}}, M::kOwnLinks, 1},
      {"a shortcut of its name to another install", "Demo", {{u"Demo.lnk", u"D:\\Second\\game.exe"}}, M::kNone, 0},
      {"a title the system owns", "StartUp", {{u"StartUp.lnk", game}, {u"Other.lnk", other}}, M::kOwnLinks, 1},
      {"the same in Japanese", "スタートアップ", {{u"Other.lnk", other}}, M::kNone, 0},
      {"a title that climbs", "..", {{u"x.lnk", game}}, M::kRefused, 0},
      {"a title with a delimiter", "Demo\\Sub", {{u"x.lnk", game}}, M::kRefused, 0},
      {"an empty title", "", {}, M::kRefused, 0},
      // Titles made before the name rule: the shell would read them otherwise,
      // so no group command; their own shortcuts go one by one.
      {"a leading blank", " StartUp", {{u" StartUp.lnk", game}}, M::kOwnLinks, 1},
      {"a leading blank, another's shortcut", " OtherVendor", {{u" OtherVendor.lnk", game}, {u"x.lnk", other}}, M::kOwnLinks, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Fixture x;
    x.s.Title = row.title;
    x.Group(row.items, row.title);
    const TGroupPlan g = x.Plan().group;
    EXPECT_EQ(g.mode, row.mode);
    EXPECT_EQ(g.own_links.size(), row.own_links);
  }
  // A group folder that resolves elsewhere, or is a link, is not touched.
  Fixture linked;
  linked.Group({{u"Demo.lnk", game}});
  linked.snap.group_is_link = true;
  EXPECT_EQ(linked.Plan().group.mode, M::kRefused);
  Fixture elsewhere;
  elsewhere.Group({{u"Demo.lnk", game}});
  elsewhere.snap.group_final = u"C:\\users\\me\\Start Menu\\Programs\\StartUp";
  EXPECT_EQ(elsewhere.Plan().group.mode, M::kRefused);
  Fixture none;
  EXPECT_EQ(none.Plan().group.mode, M::kNone);
  // The command goes only where the shell would act on this very folder.
  Fixture misread;
  misread.Group({{u"Demo.lnk", game}});
  misread.snap.shell_group_final = u"C:\\users\\me\\Start Menu\\Programs\\StartUp";
  const TGroupPlan g = misread.Plan().group;
  EXPECT_EQ(g.mode, M::kOwnLinks);
  EXPECT_TRUE(g.remove_folder);
  Fixture plain;
  plain.Group({{u"Demo.lnk", game}});
  EXPECT_EQ(plain.Plan().group.command, "[DeleteGroup(\"Demo\")]");
}

TEST(UninstallPlan, TheRegistryKeyGoesWholeOnlyWhenTheProductOwnsIt) {
  struct Row {
    const char* key;
    std::optional<std::string> install_path;
    bool delete_key;
    std::vector<std::string> values;
    std::string key_path;
  } rows[] = {
      {"Maker\\Demo", std::nullopt, true, {}, "Maker\\Demo"},
      {"\\Maker\\Demo", std::string("c:\\games\\demo\\"), true, {}, "Maker\\Demo"},
      {"Maker\\Demo", std::string("D:\\Second\\"), false, {}, ""},  // a second installation's
      {"OtherVendor", std::string("C:\\Games\\Demo\\"), false, {"InstallPath", "CDDrive"}, "OtherVendor"},
      {"OtherVendor", std::nullopt, false, {"CDDrive"}, "OtherVendor"},
      {"Microsoft\\Windows", std::nullopt, false, {}, ""},
      {"", std::nullopt, false, {}, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.key);
    Fixture x;
    x.s.RegistryKey = row.key;
    x.snap.install_path = row.install_path;
    x.snap.cd_drive = true;
    const TRegistryPlan r = x.Plan().registry;
    EXPECT_EQ(r.delete_key, row.delete_key);
    EXPECT_EQ(r.values, row.values);
    EXPECT_EQ(r.key_path, row.key_path);
  }
  // A value in short form names the folder by the file system's name.
  Fixture x;
  x.snap.install_path = "C:\\GAMES~1\\DEMO\\";
  x.snap.install_path_final = kFolder;
  EXPECT_TRUE(x.Plan().registry.delete_key);
}

TEST(UninstallPlan, TheInstalledProgramsEntryGoesOnlyWhenItNamesThisFolder) {
  Fixture x;
  EXPECT_FALSE(x.Plan().delete_entry);  // none
  x.snap.entry_location = "C:\\Games\\Demo\\";
  EXPECT_TRUE(x.Plan().delete_entry);
  x.snap.entry_location = "D:\\Second\\";
  EXPECT_FALSE(x.Plan().delete_entry);
  EXPECT_FALSE(x.Plan().entry_why.empty());
}

namespace {

// What an uninstallation leaves behind, reduced to what a stop can leave.
struct Machine {
  std::set<std::string> files = {"game.exe", "install.dat", "install.exe"};
  bool group = true, registry = true, entry = true;
  bool Empty() const { return files.empty() && !group && !registry && !entry; }
};

// The snapshot a run takes of the machine; the uninstaller runs in place.
TUninstallSnapshot Look(const Machine& m, Fixture& x) {
  TUninstallSnapshot snap = x.snap;
  snap.files.clear();
  for (const std::string& name : UninstallCandidates(x.s, false)) {
    TFileFacts f;
    f.exists = m.files.count(name) != 0;
    f.final_path = kFolder + u"\\" + enc::SjisToUtf16(name);
    snap.files[name] = f;
  }
  snap.group_exists = m.group;
  if (m.group) snap.group_items = {{u"Demo.lnk", false, kFolder + u"\\game.exe"}};
  snap.group_final = snap.shell_group_final = snap.programs_folder + u"\\Demo";
  if (m.registry) snap.install_path = "C:\\Games\\Demo\\";
  if (m.entry) snap.entry_location = "C:\\Games\\Demo\\";
  snap.running_images = {kFolder + u"\\install.exe"};
  return snap;
}

// Carries out the plan's first `steps` steps on the machine, as the work does.
void Carry(const TUninstallPlan& plan, size_t steps, Machine& m) {
  for (size_t i = 0; i < steps && i < plan.steps.size(); ++i) {
    switch (plan.steps[i]) {
      case TUninstallStep::kGroup: m.group = m.group && plan.group.mode == TGroupPlan::TMode::kNone; break;
      case TUninstallStep::kRegistry: m.registry = m.registry && !plan.registry.delete_key; break;
      case TUninstallStep::kEntry: m.entry = m.entry && !plan.delete_entry; break;
      case TUninstallStep::kFiles:
      case TUninstallStep::kRecords:
        for (const TPlannedFile& f : plan.files) {
          const bool now = plan.steps[i] == TUninstallStep::kRecords ? f.record : !f.record;
          if (now && (f.verdict == TFileVerdict::kDelete || f.verdict == TFileVerdict::kRunning)) m.files.erase(f.name);
        }
        break;
      case TUninstallStep::kClaimRecords:
      case TUninstallStep::kFolders: break;
    }
  }
}

}  // namespace

TEST(UninstallPlan, AStopAfterAnyStepLeavesWhatASecondRunFinishes) {
  Fixture x;
  x.s.InstalledFiles = {"game.exe", "install.dat", "install.exe"};
  const TUninstallPlan first = x.Plan();
  ASSERT_FALSE(first.steps.empty());
  for (size_t stop = 0; stop <= first.steps.size(); ++stop) {
    SCOPED_TRACE(stop);
    Machine m;
    Carry(PlanUninstall(x.s, "C:\\Games\\Demo", false, Look(m, x)), stop, m);
    // The uninstaller outlives its settings file, and the entry names an uninstaller that is there.
    EXPECT_TRUE(!m.files.count("install.dat") || m.files.count("install.exe"));
    EXPECT_TRUE(!m.entry || m.files.count("install.exe"));
    if (m.Empty()) continue;
    // Another run needs its uninstaller and the settings it reads.
    ASSERT_TRUE(m.files.count("install.exe") && m.files.count("install.dat"));
    const TUninstallPlan second = PlanUninstall(x.s, "C:\\Games\\Demo", false, Look(m, x));
    Carry(second, second.steps.size(), m);
    EXPECT_TRUE(m.Empty());
  }
}

TEST(UninstallPlan, ParentsGoOnlyWhenTheInstallMadeThemAndItsKeyNamesThisFolder) {
  const struct {
    const char* what;
    const char* key;
    std::optional<std::string> install_path;
    std::optional<std::string> made;
    std::vector<std::string> parents;
  } rows[] = {
      {"made with the folder above", "Maker\\Demo", std::nullopt, std::string("2"), {"C:\\Games"}},
      {"the drive's root never", "Maker\\Demo", std::nullopt, std::string("3"), {"C:\\Games"}},
      {"only the install folder made", "Maker\\Demo", std::nullopt, std::string("1"), {}},
      {"no value: an install before this rule", "Maker\\Demo", std::nullopt, std::nullopt, {}},
      {"a value that is no count", "Maker\\Demo", std::nullopt, std::string("2x"), {}},
      {"a key naming another folder", "Maker\\Demo", std::string("D:\\Second\\"), std::string("2"), {}},
      {"a key the product does not own", "Microsoft\\Windows", std::nullopt, std::string("2"), {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Fixture x;
    x.s.RegistryKey = row.key;
    x.snap.install_path = row.install_path;
    x.snap.made_folders = row.made;
    EXPECT_EQ(x.Plan().parents, row.parents);
  }
  // A vendor's one-level key keeps its other values: the count goes with this installation's.
  Fixture x;
  x.s.RegistryKey = "OtherVendor";
  x.snap.made_folders = "2";
  EXPECT_EQ(x.Plan().registry.values, std::vector<std::string>{"MadeFolders"});
  // Program Files is never removed, however many folders the value claims.
  EXPECT_EQ(MadeParents("C:\\Program Files\\DemoSoft\\Demo", "9", "C:\\windows", {"C:\\Program Files"}),
            std::vector<std::string>{"C:\\Program Files\\DemoSoft"});
}
