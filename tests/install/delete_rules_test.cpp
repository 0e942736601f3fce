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
  // Always quoted: the service then reads "[](),", and blanks inside, as the name's own.
  EXPECT_EQ(DeleteGroupCommand("サンプルゲーム"), "[DeleteGroup(\"サンプルゲーム\")]");
  EXPECT_EQ(DeleteGroupCommand("Game 2"), "[DeleteGroup(\"Game 2\")]");
  EXPECT_EQ(DeleteGroupCommand("ゲーム (限定版)"), "[DeleteGroup(\"ゲーム (限定版)\")]");
  EXPECT_EQ(DeleteGroupCommand("x)][DeleteGroup(Other"), "[DeleteGroup(\"x)][DeleteGroup(Other\")]");
  EXPECT_EQ(DeleteGroupCommand("a,b"), "[DeleteGroup(\"a,b\")]");
  // A trail byte is no character of its own: ソ (83 5C) and ポ (83 7C).
  EXPECT_EQ(DeleteGroupCommand("ソポ"), "[DeleteGroup(\"ソポ\")]");
  // The service trims blanks even inside quotes: " StartUp" would remove StartUp.
  for (const char* title : {"", "a\"b", "a\r\nb", "tab\there", " StartUp", "StartUp ", "\x81\x40StartUp", "StartUp\x81\x40"}) {
    SCOPED_TRACE(title);
    EXPECT_FALSE(DeleteGroupCommand(title).has_value());
  }
}

TEST(DeleteRules, TheShellReadsTheGroupItActsOn) {
  const struct {
    const char* command;
    std::optional<std::string> group;
  } rows[] = {
      {"[DeleteGroup( StartUp)]", "StartUp"},  // the fault once seen: the blank was dropped
      {"[DeleteGroup(\" OtherVendor \")]", "OtherVendor"},
      {"[DeleteGroup(\x81\x40Game\x81\x40)]", "Game"},
      {"[DeleteGroup(x)][DeleteGroup(Other)]", "x"},
      {"[DeleteGroup(a,b)]", "a"},
      {"[DeleteGroup(\"a,(b)\")]", "a,(b)"},
      {"[DeleteGroup(ソポ)]", "ソポ"},
      {"[DeleteGroup(\"open)]", std::nullopt},
      {"[CreateGroup(x)]", std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.command);
    EXPECT_EQ(GroupTheShellReads(row.command), row.group);
  }
  // Every command this program sends is read as the very title.
  for (const char* title : {"Game 2", "ゲーム (限定版)", "x)][DeleteGroup(Other", "表", "a,b"}) {
    SCOPED_TRACE(title);
    EXPECT_EQ(GroupTheShellReads(*DeleteGroupCommand(title)), title);
  }
}
