#include "install/delete_rules.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> kKept = {"C:\\Program Files", "C:\\users\\me", "C:\\users\\me\\Desktop\\",
                                        "C:\\users\\me\\Documents", "", "relative\\folder"};

std::optional<std::string> Deletable(const char* folder) { return DeletableInstallFolder(folder, "C:\\windows\\", kKept); }

}  // namespace

TEST(DeleteRules, InstallFoldersAreTakenInNormalForm) {
  EXPECT_EQ(Deletable("C:\\Program Files\\Game\\"), "C:\\Program Files\\Game");
  EXPECT_EQ(Deletable("c:\\program files\\Game"), "c:\\program files\\Game");
  EXPECT_EQ(Deletable("C:\\Games\\.\\Game\\\\"), "C:\\Games\\Game");
  EXPECT_EQ(Deletable("C:\\users\\me\\Desktop\\Game"), "C:\\users\\me\\Desktop\\Game");
  EXPECT_EQ(Deletable("D:\\ゲーム\\表"), "D:\\ゲーム\\表");
  EXPECT_EQ(Deletable("\\\\server\\share\\Game"), "\\\\server\\share\\Game");
  // Beside a kept folder, not in it: "C:\windows2" is not the Windows folder.
  EXPECT_EQ(Deletable("C:\\windows2"), "C:\\windows2");
  EXPECT_EQ(Deletable("C:\\users\\meToo"), "C:\\users\\meToo");
}

TEST(DeleteRules, RootsSystemAndUserFoldersAreRefused) {
  for (const char* folder :
       {"", "Game", "Game\\", "\\Game", "C:Game", "C:\\", "C:", "d:\\", "C:\\Games\\..", "C:\\Games\\..\\..\\Game\\..",
        "\\\\server\\share", "\\\\server\\share\\", "C:\\windows", "C:\\WINDOWS\\", "C:\\windows\\system32",
        "C:\\Windows\\Fonts\\x", "C:\\Program Files", "c:\\PROGRAM FILES\\", "C:\\users\\me", "C:\\users",
        "C:\\users\\me\\Desktop", "C:\\users\\me\\Documents\\", "C:\\users\\me\\Desktop\\..", "C:\\Game\\con",
        "C:\\Game\\a:b", "C:\\Game\\..\\windows"}) {
    SCOPED_TRACE(folder);
    EXPECT_FALSE(Deletable(folder).has_value());
  }
  // A Windows folder lower down protects the folders above it too.
  EXPECT_FALSE(DeletableInstallFolder("D:\\os", "D:\\os\\windows", {}).has_value());
  EXPECT_EQ(DeletableInstallFolder("D:\\os\\Game", "D:\\os\\windows", {}), "D:\\os\\Game");
}

TEST(DeleteRules, RefusalNamesTheFolder) {
  EXPECT_EQ(RefusedFolderText("C:\\"), "C:\\\r\nこのフォルダは削除できません。アンインストールを中止します");
}

TEST(DeleteRules, GroupCommandKeepsTheTitleInsideIt) {
  EXPECT_EQ(DeleteGroupCommand("サンプルゲーム"), "[DeleteGroup(サンプルゲーム)]");
  EXPECT_EQ(DeleteGroupCommand("Game 2"), "[DeleteGroup(Game 2)]");
  EXPECT_EQ(DeleteGroupCommand("ゲーム (限定版)"), "[DeleteGroup(\"ゲーム (限定版)\")]");
  EXPECT_EQ(DeleteGroupCommand("x)][DeleteGroup(Other"), "[DeleteGroup(\"x)][DeleteGroup(Other\")]");
  EXPECT_EQ(DeleteGroupCommand("a,b"), "[DeleteGroup(\"a,b\")]");
  // A trail byte is no character of its own: ソ (83 5C) and ポ (83 7C) need no quotes.
  EXPECT_EQ(DeleteGroupCommand("ソポ"), "[DeleteGroup(ソポ)]");
  for (const char* title : {"", "a\"b", "a\r\nb", "tab\there"}) {
    SCOPED_TRACE(title);
    EXPECT_FALSE(DeleteGroupCommand(title).has_value());
  }
}
