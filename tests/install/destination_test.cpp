#include "install/destination.h"

#include <gtest/gtest.h>

#include <map>

namespace {

constexpr uint64_t kMiB = 1048576;

// Free space per volume root; a root not listed does not tell.
TDestinationFacts Facts(std::string text, int64_t need_bytes, std::map<std::string, uint64_t> free_by_root) {
  TDestinationFacts f;
  f.folder_text = std::move(text);
  f.need_bytes = need_bytes;
  f.title = "ゲーム";
  f.removable = [](const std::string& folder) { return folder != "C:\\Windows" && folder != "C:\\Program Files"; };
  f.holds_installation = [](const std::string& target) { return target == "D:\\Games\\ゲーム\\"; };
  f.free_bytes = [free_by_root](const std::string& root) -> std::optional<uint64_t> {
    const auto it = free_by_root.find(root);
    if (it == free_by_root.end()) return std::nullopt;
    return it->second;
  };
  return f;
}

std::string Repeat(const char* text, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += text;
  return s;
}

}  // namespace

TEST(Destination, VolumeRootOfADriveOrAShare) {
  const struct {
    std::string folder, root;
  } rows[] = {
      {"C:\\Games\\X", "C:\\"},
      {"d:\\", "d:\\"},
      {"\\\\server\\share\\Games\\X", "\\\\server\\share\\"},
      {"\\\\server\\share", "\\\\server\\share\\"},
      {"\\\\server\\表\\x", "\\\\server\\表\\"},  // 0x5C as a trail byte is no delimiter
      {"\\\\server", ""},
      {"\\\\server\\", ""},
      {"Games\\X", ""},
      {"C:Games", ""},
      {"", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.folder);
    EXPECT_EQ(VolumeRootOf(row.folder), row.root);
  }
}

TEST(Destination, OneVerdictForTheWizardAndTheRunWithoutWindows) {
  using V = TDestinationVerdict;
  const struct {
    const char* what;
    TDestinationFacts facts;
    V verdict;
    std::string target;
    std::string log_text;  // "" for a usable folder
  } rows[] = {
      {"a folder with room", Facts("D:\\Games\\X", 4 * kMiB, {{"D:\\", 100 * kMiB}}), V::kUsable, "D:\\Games\\X\\", ""},
      {"exactly enough", Facts("D:\\Games\\X\\", 4 * kMiB, {{"D:\\", 4 * kMiB}}), V::kUsable, "D:\\Games\\X\\", ""},
      {"1.9 MiB needed counts as 1", Facts("D:\\X", 2 * kMiB - 1, {{"D:\\", kMiB}}), V::kUsable, "D:\\X\\", ""},
      {"too little", Facts("D:\\Games\\X", 5 * kMiB, {{"D:\\", 4 * kMiB + 5}}), V::kTooLittleSpace, "D:\\Games\\X\\",
       "ドライブにじゅうぶんな空き容量がありません（必要 5 MB、空き 4 MB）"},
      {"a full drive", Facts("D:\\Games\\X", kMiB, {{"D:\\", 0}}), V::kTooLittleSpace, "D:\\Games\\X\\",
       "ドライブにじゅうぶんな空き容量がありません（必要 1 MB、空き 0 MB）"},
      {"a drive that does not tell is not judged", Facts("D:\\Games\\X", int64_t{1} << 50, {}), V::kUsable,
       "D:\\Games\\X\\", ""},
      {"a share with room: its own space, not a drive's",
       Facts("\\\\localhost\\share\\game", 4 * kMiB, {{"\\\\localhost\\share\\", 50 * kMiB}, {"\\:\\", 0}}), V::kUsable,
       "\\\\localhost\\share\\game\\", ""},
      {"a share without room", Facts("//host/share/a/../game", 9 * kMiB, {{"\\\\host\\share\\", 8 * kMiB}}),
       V::kTooLittleSpace, "\\\\host\\share\\game\\", "ドライブにじゅうぶんな空き容量がありません（必要 9 MB、空き 8 MB）"},
      {"a share that does not tell", Facts("\\\\host\\share\\game", 9 * kMiB, {}), V::kUsable, "\\\\host\\share\\game\\", ""},
      {"a relative folder", Facts("Games\\X", 0, {}), V::kNotQualified, "", "正しいインストール先を指定してください: Games\\X"},
      {"a folder of the current drive", Facts("\\Games\\X", 0, {}), V::kNotQualified, "",
       "正しいインストール先を指定してください: \\Games\\X"},
      {"a drive root", Facts("C:\\", 0, {}), V::kNotQualified, "", "正しいインストール先を指定してください: C:\\"},
      {"a drive root in disguise", Facts("C:\\Games\\..", 0, {}), V::kNotQualified, "",
       "正しいインストール先を指定してください: C:\\Games\\.."},
      {"a share's root", Facts("\\\\host\\share\\", 0, {}), V::kNotQualified, "",
       "正しいインストール先を指定してください: \\\\host\\share\\"},
      {"a name Windows cannot create", Facts("C:\\Games\\a?b", 0, {}), V::kNotQualified, "",
       "正しいインストール先を指定してください: C:\\Games\\a?b"},
      {"a folder the uninstaller refuses", Facts("C:\\Windows\\.", 0, {{"C:\\", 100 * kMiB}}), V::kRefusedFolder, "",
       "このフォルダにはインストールできません: C:\\Windows"},
      {"an add-on without its installation", Facts("D:\\Games\\Other", 0, {{"D:\\", 100 * kMiB}}), V::kNoInstallation,
       "D:\\Games\\Other\\", "D:\\Games\\Other\\ に ゲーム はインストールされていません"},
      {"an add-on into its installation, no room", Facts("D:\\Games\\ゲーム", 3 * kMiB, {{"D:\\", 2 * kMiB}}),
       V::kTooLittleSpace, "D:\\Games\\ゲーム\\", "ドライブにじゅうぶんな空き容量がありません（必要 3 MB、空き 2 MB）"},
      {"a system install into the Windows folder", Facts("C:\\Windows\\", kMiB, {{"C:\\", 100 * kMiB}}), V::kUsable,
       "C:\\Windows\\", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TDestinationFacts facts = row.facts;
    const std::string what = row.what;
    facts.add_on = what.find("add-on") != std::string::npos;
    facts.system_install = what.find("system install") != std::string::npos;
    const TDestinationResult r = JudgeDestination(facts);
    EXPECT_EQ(r.verdict, row.verdict);
    EXPECT_EQ(r.target, row.target);
    EXPECT_EQ(r.log_text, row.log_text);
    // The wizard's texts are its own.
    switch (r.verdict) {
      case V::kUsable: EXPECT_EQ(r.text, ""); break;
      case V::kNotQualified:
      case V::kNoInstallation: EXPECT_EQ(r.text, "正しいインストール先を指定してください"); break;
      case V::kRefusedFolder:
        EXPECT_EQ(r.text, "C:\\Windows\r\nこのフォルダにはインストールできません。別のフォルダを選択してください");
        break;
      case V::kTooLittleSpace:
        EXPECT_EQ(r.text, "ドライブにじゅうぶんな空き容量がありません\r\nこのまま処理を続けますか？");
        break;
      case V::kOtherInstallation:
      case V::kTooLong: ADD_FAILURE() << "no row of this table gives this verdict; its own tests check its text"; break;
    }
  }
}

TEST(Destination, UnknownFreeSpaceIsNoFigure) {
  TDestinationResult r = JudgeDestination(Facts("\\\\host\\share\\game", 9 * kMiB, {}));
  EXPECT_EQ(r.root, "\\\\host\\share\\");
  EXPECT_FALSE(r.free_mb.has_value());
  EXPECT_EQ(r.need_mb, 9);
  r = JudgeDestination(Facts("\\\\host\\share\\game", 9 * kMiB, {{"\\\\host\\share\\", 0}}));
  ASSERT_TRUE(r.free_mb.has_value());
  EXPECT_EQ(*r.free_mb, 0);
}

TEST(Destination, InstallingTheBaseAgainOverAddOnsSaysSoBeforehand) {
  // A record ends with install.dat; what an add-on brought comes after it.
  const struct {
    std::vector<std::string> recorded;
    std::vector<std::string> add_ons;
  } rows[] = {
      {{}, {}},
      {{"game.exe", "game.dat", "install.dat"}, {}},
      {{"game.exe", "install.dat", "extra\\a.ogg", "game.002"}, {"extra\\a.ogg", "game.002"}},
      {{"game.exe", "INSTALL.DAT", "x.txt"}, {"x.txt"}},
      {{"game.exe", "x.txt"}, {}},  // a record without its own name: nothing can be told
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.recorded.size());
    EXPECT_EQ(AddOnNamesOf(row.recorded), row.add_ons);
  }
  TDestinationFacts f = Facts("D:\\Games\\X", kMiB, {{"D:\\", 100 * kMiB}});
  f.recorded_names = [](const std::string& target) {
    return target == "D:\\Games\\X\\" ? std::vector<std::string>{"game.exe", "install.dat", "extra.dat"}
                                       : std::vector<std::string>{};
  };
  TDestinationResult r = JudgeDestination(f);
  EXPECT_EQ(r.verdict, TDestinationVerdict::kUsable);
  EXPECT_EQ(r.add_on_names, std::vector<std::string>{"extra.dat"});
  EXPECT_EQ(r.add_on_text, "このフォルダの ゲーム には追加データがインストールされています（1 個のファイル）。\r\n"
                           "インストールしなおすと追加データは使えなくなります。あとで追加データもインストールしなおしてください");
  EXPECT_NE(r.add_on_log_text.find("has add-ons (1 files, such as extra.dat)"), std::string::npos);
  // An add-on itself adds; it drops nothing.
  f.add_on = true;
  f.holds_installation = [](const std::string&) { return true; };
  EXPECT_TRUE(JudgeDestination(f).add_on_text.empty());
}

TEST(Destination, TheRealFolderIsJudgedAndRecorded) {
  using V = TDestinationVerdict;
  const std::string refused = "このフォルダにはインストールできません: ";
  const struct {
    const char* text;
    std::optional<std::u16string> real;  // what the file system names it
    V verdict;
    std::string target, log_text;
  } rows[] = {
      {"C:\\zt\\linked\\", u"C:\\zt\\real", V::kUsable, "C:\\zt\\real\\", ""},
      {"C:\\PROG~FBU", u"C:\\Program Files", V::kRefusedFolder, "", refused + "C:\\PROG~FBU（C:\\Program Files）"},
      {"C:\\PROG~FBU\\Game", u"C:\\Program Files\\Game", V::kUsable, "C:\\Program Files\\Game\\", ""},
      {"C:\\zt\\to-root", u"C:\\", V::kRefusedFolder, "", refused + "C:\\zt\\to-root（C:\\）"},
      {"C:\\zt\\denied", std::nullopt, V::kRefusedFolder, "", refused + "C:\\zt\\denied"},
      {"C:\\zt\\zoe", u"C:\\zt\\Zo\u00EB", V::kRefusedFolder, "", refused + "C:\\zt\\zoe"},  // no name to record
      {"C:\\Windows", u"D:\\elsewhere", V::kRefusedFolder, "", refused + "C:\\Windows（D:\\elsewhere）"},
      // A share's server resolves its links; Wine's local shares resolve to a drive.
      {"\\\\host\\share\\game", u"C:\\shares\\game", V::kUsable, "\\\\host\\share\\game\\", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    TDestinationFacts f = Facts(row.text, 0, {});
    f.final_folder = [&](const std::string&) { return row.real; };
    const TDestinationResult r = JudgeDestination(f);
    EXPECT_EQ(r.verdict, row.verdict);
    EXPECT_EQ(r.target, row.target);
    EXPECT_EQ(r.log_text, row.log_text);
  }
}

TEST(Destination, AFolderHoldingAnotherInstallationIsNoDestination) {
  const auto settings = [](bool readable, std::string title) {
    TFolderClaims c;
    c.settings_file = true;
    c.settings_readable = readable;
    c.settings_title = std::move(title);
    return c;
  };
  TFolderClaims key, entry;
  key.install_path_keys = {"Other\\Game"};
  entry.entries = {"別のゲーム"};
  const struct {
    const char* what;
    TFolderClaims claims;
    std::optional<std::string> other;
  } rows[] = {
      {"nothing there", {}, std::nullopt},
      {"the same title: a repair", settings(true, "ゲーム"), std::nullopt},
      {"another title", settings(true, "別のゲーム"), "別のゲーム"},
      {"titles compare byte for byte", settings(true, "ゲームX"), "ゲームX"},
      {"settings nobody can read", settings(false, ""), "install.dat"},
      {"another key's InstallPath", key, "HKEY_CURRENT_USER\\Software\\Other\\Game"},
      {"the same title's record, with an add-on's key", [&] {
         TFolderClaims c = settings(true, "ゲーム");
         c.install_path_keys = key.install_path_keys;
         return c;
       }(), std::nullopt},
      {"another installed-programs entry", entry, "別のゲーム"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(OtherInstallationIn(row.claims, "ゲーム"), row.other);
  }

  TDestinationFacts f = Facts("D:\\Games\\ゲーム", 0, {});
  f.claims = [&](const std::string&) { return settings(true, "別のゲーム"); };
  TDestinationResult r = JudgeDestination(f);
  EXPECT_EQ(r.verdict, TDestinationVerdict::kOtherInstallation);
  EXPECT_EQ(r.text, "D:\\Games\\ゲーム\\\r\nこのフォルダには別のソフト（別のゲーム）がインストールされています。\r\n"
                    "別のフォルダを選択してください");
  // An add-on goes into its base's folder; a system install into Windows'.
  f.add_on = true;
  EXPECT_EQ(JudgeDestination(f).verdict, TDestinationVerdict::kUsable);
  f.add_on = false;
  f.system_install = true;
  EXPECT_EQ(JudgeDestination(f).verdict, TDestinationVerdict::kUsable);
}

TEST(Destination, EveryInstalledNameMustStayWithinThePathLimit) {
  // 259 units with the longest name is the most the system's plain calls
  // take; Japanese characters are one unit each, two bytes in Shift-JIS.
  const std::string name = "data\\" + std::string(20, 'n') + ".bin";  // 29 units
  const struct {
    const char* what;
    std::string folder;
    TDestinationVerdict verdict;
  } rows[] = {
      {"259 units", "D:\\" + Repeat("f", 259 - 29 - 4), TDestinationVerdict::kUsable},
      {"260 units", "D:\\" + Repeat("f", 260 - 29 - 4), TDestinationVerdict::kTooLong},
      {"259 units in Japanese", "D:\\" + Repeat("あ", 259 - 29 - 4), TDestinationVerdict::kUsable},
      {"260 units in Japanese", "D:\\" + Repeat("あ", 260 - 29 - 4), TDestinationVerdict::kTooLong},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TDestinationFacts f = Facts(row.folder, 0, {});
    f.installed_names = {"install.dat", name, "game.exe"};
    EXPECT_EQ(JudgeDestination(f).verdict, row.verdict);
  }
  TDestinationFacts f = Facts("D:\\" + std::string(260 - 29 - 4, 'f'), 0, {});
  f.installed_names = {name};
  EXPECT_EQ(JudgeDestination(f).log_text, "the install folder D:\\" + std::string(260 - 29 - 4, 'f') + "\\ is too long: with " +
                                              name + " the path has 260 characters, more than 259");
  EXPECT_EQ(LongestNameUnits({"あい", "abc", ""}), 3u);
}
