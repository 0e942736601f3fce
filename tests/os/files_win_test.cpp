#include "os/files_win.h"

#include <windows.h>

#include <algorithm>
#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/fs.h"
#include "common/temp_dir.h"
#include "os/registry_win.h"

using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

void SetAttributes(const std::string& path, DWORD a) { SetFileAttributesW(enc::Wide(path).c_str(), a); }

std::vector<std::string> Relative(const TempDir& dir, std::vector<std::string> list) {
  for (auto& p : list) p = p.substr(dir.Path().size());
  std::sort(list.begin(), list.end());
  return list;
}

}  // namespace

TEST(ListFiles, MaskPlainFilesAndRecursion) {
  TempDir dir;
  WriteFileBytes(dir / "a.txt", "1");
  WriteFileBytes(dir / "ro.txt", "1");
  WriteFileBytes(dir / "sub\\b.OGG", "1");
  WriteFileBytes(dir / "sub\\表\\c.ogg", "1");
  SetAttributes(dir / "ro.txt", FILE_ATTRIBUTE_READONLY);
  SetAttributes(dir / "a.txt", FILE_ATTRIBUTE_NORMAL);  // none of the six bits
  SetAttributes(dir / "sub\\b.OGG", FILE_ATTRIBUTE_ARCHIVE);
  SetAttributes(dir / "sub\\表\\c.ogg", FILE_ATTRIBUTE_NORMAL);

  ListFilesOptions o;
  o.attribute_mask = kFaReadOnly;
  std::vector<std::string> list;
  ListFiles(dir.Path(), o, &list);
  EXPECT_EQ(Relative(dir, list), std::vector<std::string>({"ro.txt"}));

  // Some file systems (Wine's among them) report the archive bit on every
  // file, so a file without attribute bits may not exist here.
  const bool plain_exists = (FileAttributesOf(dir / "a.txt") & kFaAnyFile) == 0;
  o.take_plain_files = true;
  o.clear_list = true;
  ListFiles(dir.Path(), o, &list);
  EXPECT_EQ(Relative(dir, list), plain_exists ? std::vector<std::string>({"a.txt", "ro.txt"})
                                              : std::vector<std::string>({"ro.txt"}));

  // The copy engine's walk: every file below the folder, folders not listed.
  o.attribute_mask = 0x2F;
  o.recurse = true;
  ListFiles(dir.Path(), o, &list);
  EXPECT_EQ(Relative(dir, list), std::vector<std::string>({"a.txt", "ro.txt", "sub\\b.OGG", "sub\\表\\c.ogg"}));

  o.extension = ".ogg";  // compared without regard to ASCII case
  ListFiles(dir.Path(), o, &list);
  EXPECT_EQ(Relative(dir, list), std::vector<std::string>({"sub\\b.OGG", "sub\\表\\c.ogg"}));

  // Without clear_list the list grows.
  o.clear_list = false;
  ListFiles(dir.Path(), o, &list);
  EXPECT_EQ(list.size(), 4u);
  o.take_plain_files = false;
  o.attribute_mask = kFaReadOnly | kFaArchive;  // the plain file is taken only by the take-plain flag
  o.extension.clear();
  o.clear_list = true;
  ListFiles(dir.Path(), o, &list);
  EXPECT_EQ(std::count(list.begin(), list.end(), dir / "a.txt"), plain_exists ? 0 : 1);
  SetAttributes(dir / "ro.txt", FILE_ATTRIBUTE_NORMAL);
}

TEST(ListFiles, SizesComeWithTheNames) {
  TempDir dir;
  WriteFileBytes(dir / "a.bin", std::string(5, 'a'));
  WriteFileBytes(dir / "sub\\b.bin", std::string(70000, 'b'));
  ListFilesOptions o;
  o.attribute_mask = 0x2F;
  o.take_plain_files = true;
  o.recurse = true;
  std::vector<std::string> list;
  std::vector<int64_t> sizes;
  ListFiles(dir.Path(), o, &list, &sizes);
  ASSERT_EQ(list.size(), 2u);
  ASSERT_EQ(sizes.size(), 2u);
  for (size_t i = 0; i < list.size(); ++i) EXPECT_EQ(sizes[i], fs::FileSizeOf(list[i])) << list[i];
}

TEST(ListFiles, FoldersWithDelimiterAndClearingAttributes) {
  TempDir dir;
  WriteFileBytes(dir / "x\\y\\f.dat", "1");
  WriteFileBytes(dir / "hidden.dat", "1");
  SetAttributes(dir / "hidden.dat", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  ListFilesOptions o;
  o.attribute_mask = kFaDirectory;
  o.folders_with_delimiter = true;
  o.recurse = true;
  o.clear_attributes = true;
  std::vector<std::string> list;
  ListFiles(dir.Path(), o, &list);
  EXPECT_EQ(Relative(dir, list), std::vector<std::string>({"x\\", "x\\y\\"}));
  EXPECT_EQ(FileAttributesOf(dir / "hidden.dat") & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY), 0u);
}

TEST(ListFiles, DoesNotEnterLinkedFolders) {
  TempDir dir;
  WriteFileBytes(dir / "real\\f.txt", "1");
  // A link back to the folder itself: following it would never end.
  if (!CreateSymbolicLinkW(enc::Wide(dir / "real\\loop").c_str(), enc::Wide(dir.Path()).c_str(),
                           SYMBOLIC_LINK_FLAG_DIRECTORY))
    GTEST_SKIP() << "symbolic links to folders cannot be created here (error " << GetLastError() << ")";
  ListFilesOptions o;
  o.attribute_mask = 0x3F;
  o.take_plain_files = true;
  o.recurse = true;
  std::vector<std::string> list;
  ListFiles(dir.Path(), o, &list);
  EXPECT_LE(list.size(), 4u);
  RemoveDirectoryW(enc::Wide(dir / "real\\loop").c_str());
}

TEST(CopyIfChanged, ComparesAgeAndSizeOnlyWhenAsked) {
  TempDir dir;
  WriteFileBytes(dir / "src", "new content");
  WriteFileBytes(dir / "dst", "old content");  // same size
  const int32_t age = fs::FileAge(dir / "src");
  ASSERT_TRUE(fs::SetFileAge(dir / "dst", age));
  EXPECT_TRUE(CopyIfChanged(dir / "src", dir / "dst", true));
  EXPECT_EQ(testing_support::ReadFileBytes(dir / "dst"), "old content");  // judged unchanged
  EXPECT_TRUE(CopyIfChanged(dir / "src", dir / "dst", false));
  EXPECT_EQ(testing_support::ReadFileBytes(dir / "dst"), "new content");
  WriteFileBytes(dir / "dst", "short");
  fs::SetFileAge(dir / "dst", age);
  EXPECT_TRUE(CopyIfChanged(dir / "src", dir / "dst", true));  // sizes differ
  EXPECT_EQ(testing_support::ReadFileBytes(dir / "dst"), "new content");
  EXPECT_FALSE(CopyIfChanged(dir / "missing", dir / "dst2", false));
}

TEST(ScheduleDeleteAtRestart, RegistersThePendingDeletion) {
  TempDir dir;
  const std::string file = dir / "~zinstall.exe";
  WriteFileBytes(file, "MZ");
  ASSERT_TRUE(ScheduleDeleteAtRestart(file));
  const RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", KEY_READ);
  ASSERT_TRUE(key.IsOpen());
  DWORD type = 0, bytes = 0;
  ASSERT_EQ(RegQueryValueExW(key.Handle(), L"PendingFileRenameOperations", nullptr, &type, nullptr, &bytes),
            ERROR_SUCCESS);
  std::wstring data(bytes / 2 + 1, L'\0');
  RegQueryValueExW(key.Handle(), L"PendingFileRenameOperations", nullptr, &type,
                   reinterpret_cast<BYTE*>(data.data()), &bytes);
  EXPECT_NE(data.find(enc::Wide(file)), std::wstring::npos);
  EXPECT_TRUE(fs::FileExists(file));  // nothing happens before the restart
}

TEST(ProgramFolders, TempAndWindowsFoldersEndWithADelimiter) {
  EXPECT_EQ(TempFolder().back(), '\\');
  EXPECT_TRUE(fs::DirectoryExists(TempFolder()));
  EXPECT_EQ(WindowsFolder().back(), '\\');
  EXPECT_TRUE(fs::FileExists(ProgramFileName()));
}

TEST(ProgramFolders, ATempFolderCodePage932CannotHoldIsTakenInItsShortForm) {
  // A profile such as "C:\Users\Zoë": once "Zoe", a folder that does not exist.
  TempDir dir;
  const std::wstring temp = enc::Wide(dir.Path()) + L"Zo\u00EB\\Temp";
  ASSERT_TRUE(fs::MakeDirectories(dir.Path()));
  ASSERT_TRUE(CreateDirectoryW((enc::Wide(dir.Path()) + L"Zo\u00EB").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
  wchar_t old_tmp[1024] = {}, old_temp[1024] = {};
  const DWORD had_tmp = GetEnvironmentVariableW(L"TMP", old_tmp, 1024);
  const DWORD had_temp = GetEnvironmentVariableW(L"TEMP", old_temp, 1024);
  SetEnvironmentVariableW(L"TMP", temp.c_str());
  SetEnvironmentVariableW(L"TEMP", temp.c_str());
  const std::string folder = TempFolder();
  SetEnvironmentVariableW(L"TMP", had_tmp ? old_tmp : nullptr);
  SetEnvironmentVariableW(L"TEMP", had_temp ? old_temp : nullptr);

  EXPECT_EQ(folder.find('?'), std::string::npos) << folder;
  EXPECT_EQ(folder.back(), '\\');
  ASSERT_TRUE(fs::DirectoryExists(folder)) << folder;
  // A file made through the short form is in the long-named folder.
  testing_support::WriteFileBytes(folder + "probe.txt", "x");
  EXPECT_NE(GetFileAttributesW((temp + L"\\probe.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(ListFiles, EntersFoldersCodePage932CannotHold) {
  TempDir dir;
  const std::wstring folder = enc::Wide(dir.Path()) + L"Zo\u00EB";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  HANDLE h = CreateFileW((folder + L"\\save.dat").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_ARCHIVE, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  ListFilesOptions o;
  o.attribute_mask = kFaAnyFile;
  o.take_plain_files = true;
  o.recurse = true;
  std::vector<std::string> list;
  ListFiles(dir.Path(), o, &list);
  ASSERT_EQ(list.size(), 2u);  // the folder and the file in it
  for (const std::string& path : list) EXPECT_EQ(path.find('?'), std::string::npos) << path;
  // The uninstaller deletes what it lists: the names must reach the real files.
  std::sort(list.begin(), list.end());
  EXPECT_TRUE(fs::EraseFile(list[1])) << list[1];
  EXPECT_EQ(GetFileAttributesW((folder + L"\\save.dat").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(fs::EraseDirectory(list[0])) << list[0];
}
