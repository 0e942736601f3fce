// The program group's removal through the shell's Program Manager service
// (under Wine: its explorer's), with groups made by the test.
#include "install/program_group_win.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/fs.h"
#include "common/package_win.h"
#include "common/temp_dir.h"

namespace {

std::string Group(const std::string& title) {
  wchar_t buf[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, buf))) return {};
  return enc::Narrow(buf) + "\\" + title;
}

void MakeGroup(const std::string& title) { testing_support::WriteFileBytes(Group(title) + "\\game.lnk", "lnk"); }

}  // namespace

TEST(ProgramGroup, AJapaneseTitleIsRemovedOnAnySystemLocale) {
  // The system's ANSI code page (Western under the tests) cannot hold the
  // title: the group is asked for by its folder's short name.
  const std::string title = testing_support::UniqueName("Game") + "\x83\x66\x83\x82";  // デモ
  MakeGroup(title);
  EXPECT_TRUE(DeleteProgramGroup(title));
  EXPECT_FALSE(fs::DirectoryExists(Group(title)));
}

TEST(ProgramGroup, DeletesTheGroupAndNothingATitleSmugglesIn) {
  const std::string plain = testing_support::UniqueName("Game");
  const std::string bracketed = testing_support::UniqueName("Game") + " (Limited)";
  const std::string other = testing_support::UniqueName("Other"), decoy = testing_support::UniqueName("Decoy");
  for (const std::string& title : {plain, bracketed, other, decoy}) MakeGroup(title);
  EXPECT_TRUE(DeleteProgramGroup(plain));
  EXPECT_FALSE(fs::DirectoryExists(Group(plain)));
  EXPECT_TRUE(DeleteProgramGroup(bracketed));
  EXPECT_FALSE(fs::DirectoryExists(Group(bracketed)));
  // A title that closes the command and opens another one stays one title.
  DeleteProgramGroup(decoy + ")][DeleteGroup(" + other);  // no such group: the shell may refuse it
  EXPECT_TRUE(fs::DirectoryExists(Group(decoy)));
  EXPECT_TRUE(fs::DirectoryExists(Group(other)));
  // A title no command can carry is not sent at all.
  EXPECT_FALSE(DeleteProgramGroup(other + "\"]"));
  EXPECT_TRUE(fs::DirectoryExists(Group(other)));
  testing_support::RemoveTree(Group(other));
  testing_support::RemoveTree(Group(decoy));
}
