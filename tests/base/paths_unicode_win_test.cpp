// Paths the system gives that code page 932 cannot hold ("Zoë", "¥"): the
// program takes their short (8.3) forms, which name the same files, and says
// so when there is none, instead of acting on a look-alike path.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "base/dir_enum_win.h"
#include "base/encoding.h"
#include "base/fs.h"
#include "common/temp_dir.h"

using testing_support::TempDir;

namespace {

// The folder as the system spells it, with a wide name below it.
std::wstring Below(const TempDir& dir, const wchar_t* name) { return enc::Wide(dir.Path()) + name; }

bool SameFile(const std::string& sjis, const std::wstring& wide) {
  BY_HANDLE_FILE_INFORMATION a{}, b{};
  auto info = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION* out) {
    HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(h, out) != 0;
    CloseHandle(h);
    return ok;
  };
  return info(enc::Wide(sjis), &a) && info(wide, &b) && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber;
}

}  // namespace

TEST(NarrowPath, ExactPathsStayAsTheyAre) {
  TempDir dir;
  const std::string japanese = dir / "表ソ";
  ASSERT_TRUE(fs::MakeDirectories(japanese));
  EXPECT_EQ(enc::NarrowPath(enc::Wide(japanese)), japanese);
  // Exact even where nothing exists: no short form is needed.
  EXPECT_EQ(enc::NarrowPath(L"C:\\no\\such\\folder"), "C:\\no\\such\\folder");
}

TEST(NarrowPath, PathsCodePage932CannotHoldBecomeTheirShortForms) {
  TempDir dir;
  for (const wchar_t* name : {L"Zo\u00EB", L"yen\u00A5sign", L"a\u301Cb"}) {
    const std::wstring folder = Below(dir, name);
    const std::wstring file = folder + L"\\na\u00EFve.txt";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    for (const std::wstring& path : {folder, file}) {
      const std::string narrow = enc::NarrowPath(path);
      SCOPED_TRACE(narrow);
      // Neither the look-alike ("Zoe", a "\" for the yen sign) nor a "?".
      EXPECT_EQ(narrow.find('?'), std::string::npos);
      EXPECT_EQ(std::count(narrow.begin(), narrow.end(), '\\'), std::count(path.begin(), path.end(), L'\\'));
      EXPECT_TRUE(SameFile(narrow, path));
    }
  }
}

TEST(NarrowPath, SaysSoWhenThereIsNoShortForm) {
  TempDir dir;
  const std::wstring missing = Below(dir, L"Zo\u00EB-missing");
  try {
    enc::NarrowPath(missing);
    ADD_FAILURE() << "a path that names nothing was handed on";
  } catch (const EPathError& e) {
    EXPECT_NE(std::string(e.what()).find("Zo?-missing"), std::string::npos) << e.what();
  }
}

TEST(DirectoryEnumerator, NamesEveryEntryByANameThatOpensIt) {
  TempDir dir;
  ASSERT_TRUE(CreateDirectoryW(Below(dir, L"Zo\u00EB").c_str(), nullptr));
  ASSERT_TRUE(fs::MakeDirectories(dir / "表"));
  testing_support::WriteFileBytes(dir / "plain.txt", "x");
  std::vector<std::string> names;
  DirectoryEnumerator e(dir.Path());
  ASSERT_TRUE(e.IsOpen());
  while (e.Next()) {
    names.push_back(e.Name());
    if (names.back() == "plain.txt") EXPECT_FALSE(e.IsDirectory());
    else EXPECT_TRUE(e.IsDirectory()) << names.back();
  }
  EXPECT_FALSE(e.Next());
  ASSERT_EQ(names.size(), 3u);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names[1], "plain.txt");
  EXPECT_EQ(names[2], "表");
  EXPECT_TRUE(SameFile(dir.Path() + names[0], Below(dir, L"Zo\u00EB"))) << names[0];
  // fs::ListDirectory goes through it too.
  std::vector<fs::DirEntry> entries;
  ASSERT_TRUE(fs::ListDirectory(dir.Path(), &entries));
  EXPECT_EQ(entries.size(), 3u);
}

TEST(DirectoryEnumerator, MissingFoldersAndEarlyEnds) {
  TempDir dir;
  DirectoryEnumerator missing(dir / "none");
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_FALSE(missing.Next());
  for (int i = 0; i < 5; ++i) testing_support::WriteFileBytes(dir / ("f" + std::to_string(i)), "x");
  {
    // Left after the first entry: the handle goes with the enumerator, and
    // the folder can be removed afterwards.
    DirectoryEnumerator e(dir.Path());
    ASSERT_TRUE(e.Next());
  }
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(fs::EraseFile(dir / ("f" + std::to_string(i))));
  const std::string sub = dir / "sub";
  ASSERT_TRUE(fs::MakeDirectories(sub));
  {
    DirectoryEnumerator e(sub);
    EXPECT_TRUE(e.IsOpen());
    EXPECT_FALSE(e.Next());  // "." and ".." only
  }
  EXPECT_TRUE(fs::EraseDirectory(sub));
}
