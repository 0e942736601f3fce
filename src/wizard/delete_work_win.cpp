#include "wizard/delete_work_win.h"

#include <windows.h>
#include <shlobj.h>

#include <optional>

#include "base/encoding.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/safe_names.h"
#include "base/sjis.h"
#include "os/exact_delete_win.h"
#include "os/files_win.h"
#include "os/shell_win.h"
#include "os/system_error_win.h"
#include "wizard/delete_rules.h"
#include "wizard/program_group_win.h"
#include "wizard/uninstall_entry_win.h"

namespace {

constexpr int kGroupPauseMs = 3000;
constexpr int kRegistryPauseMs = 1000;

bool IsLink(uint32_t attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// True when a folder on the way from the install folder to name (name's own
// last part excluded) is a link. folder ends with a delimiter; name passed
// the name check, so it has no empty parts.
bool PassesThroughLink(const std::string& folder, const std::string& name) {
  for (size_t i = sjis::FindChar(name, '\\'); i != std::string::npos; i = sjis::FindChar(name, '\\', i + 1)) {
    if (IsLink(FileAttributesOf(folder + name.substr(0, i)))) return true;
  }
  for (size_t i = sjis::FindChar(name, '/'); i != std::string::npos; i = sjis::FindChar(name, '/', i + 1)) {
    if (IsLink(FileAttributesOf(folder + name.substr(0, i)))) return true;
  }
  return false;
}

std::string ShellFolder(int csidl) {
  wchar_t buf[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) return {};
  // A folder code page 932 cannot spell is named by its short form; one
  // without even that can be no install folder's parent either.
  try {
    return enc::NarrowPath(buf);
  } catch (const EPathError&) {
    return {};
  }
}

}  // namespace

std::vector<std::string> KeptFolders() {
  std::vector<std::string> kept = {SpecialFolderPath(kCsidlProgramFiles)};
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROFILE, CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL,
                    CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_DOCUMENTS, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA,
                    CSIDL_COMMON_APPDATA, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS})
    kept.push_back(ShellFolder(csidl));
  return kept;
}

void RemoveEmptyFolders(const std::string& folder) {
  const std::string dir = AddTrailingDelimiter(folder);
  std::vector<fs::DirEntry> entries;
  if (!fs::ListDirectory(dir, &entries)) return;
  for (const fs::DirEntry& e : entries) {
    if (e.is_directory && !e.is_link) RemoveEmptyFolders(dir + e.name);
  }
  entries.clear();
  if (fs::ListDirectory(dir, &entries) && entries.empty()) fs::EraseDirectory(RemoveTrailingDelimiter(dir));
}

void TDeleteWork::DeleteName(const std::string& folder, const std::string& name) {
  if (!IsSafeRelativeName(name) || PassesThroughLink(folder, name)) {
    observer_.Note("skipped: " + name);
    return;
  }
  // The file system must name the file exactly as the install folder and the
  // recorded name do; any other name means a link on the way or at the end
  // that the system follows (Wine follows them all).
  const std::string expected = AddTrailingDelimiter(install_final_) + sjis::ReplaceChar(name, '/', '\\');
  switch (DeleteExactly(folder + name, expected)) {
    case TExactDelete::kDeleted: observer_.Note("deleted: " + name); break;
    case TExactDelete::kElsewhere: observer_.Note("skipped: " + name); break;
    case TExactDelete::kMissing:
    case TExactDelete::kFolder:  // recorded names are files; folders go when they are empty
      break;
    case TExactDelete::kFailed:
      observer_.Note("not deleted: " + name + " (" + SystemErrorText(GetLastError()) + ")");
      break;
  }
}

TWorkOutcome TDeleteWork::Run() {
  const std::optional<std::string> install = DeletableInstallFolder(install_folder_, WindowsFolder(), KeptFolders());
  if (!install || IsLink(FileAttributesOf(*install))) {
    observer_.Error(RefusedFolderText(install_folder_));
    return TWorkOutcome::kClosed;
  }
  // A folder reached through a link is judged where it really is.
  install_final_ = FinalPathOf(*install);
  if (!install_final_.empty() && !DeletableInstallFolder(install_final_, WindowsFolder(), KeptFolders())) {
    observer_.Error(RefusedFolderText(install_folder_));
    return TWorkOutcome::kClosed;
  }
  const std::string folder = AddTrailingDelimiter(*install);

  observer_.Caption(settings_.Title + " を削除しています");
  observer_.Status("ショートカットを削除しています...");
  if (observer_.StopRequested()) return TWorkOutcome::kAborted;

  if (DeleteProgramGroup(settings_.Title)) observer_.Note("removed the program group " + settings_.Title);
  else observer_.Inform("ショートカットの削除に失敗しました");
  observer_.Pause(kGroupPauseMs);
  observer_.BringToFront();

  // The install folder is about to go: it must not be the current folder.
  SetCurrentDirectoryW(enc::Wide(WindowsFolder()).c_str());

  observer_.Status("ファイルを削除しています...");
  if (observer_.StopRequested()) return TWorkOutcome::kAborted;

  // Failures are silent: a file in use or already gone stays as it is.
  for (const std::string& name : settings_.InstalledFiles) DeleteName(folder, name);
  if (choices_.delete_save_data) DeleteName(folder, "save.dat");
  DeleteName(folder, "game.ini");
  RemoveEmptyFolders(*install);

  observer_.Status("レジストリを削除しています...");
  observer_.StopRequested();  // the window answers; the work goes on regardless
  settings_.DeleteRegistryKey();
  DeleteUninstallEntry(settings_, folder);
  observer_.Note("removed the registry records");
  observer_.Pause(kRegistryPauseMs);
  return TWorkOutcome::kFinished;
}
