#include "common/medium_win.h"

#include <windows.h>
#include <winioctl.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "common/archive_fixture.h"
#include "base/encoding.h"
#include "base/fs.h"
#include "base/format.h"
#include "base/paths.h"
#include "base/sjis.h"
#include "common/package_win.h"
#include "common/scenario_win.h"

namespace testing_support {
namespace {

// Wine's own export: the host path of a Windows path (freed with HeapFree).
std::string UnixPath(const std::string& windows_path) {
  using Fn = char*(CDECL*)(const wchar_t*);
  // Through void*: a FARPROC names no signature of its own.
  const auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!fn) return {};
  char* p = fn(enc::Wide(windows_path).c_str());
  if (!p) return {};
  std::string result = p;
  HeapFree(GetProcessHeap(), 0, p);
  return result;
}

void ListBelow(const std::string& folder, const std::string& prefix, std::vector<std::string>* out) {
  std::vector<fs::DirEntry> entries;
  if (!fs::ListDirectory(folder, &entries)) return;
  for (const fs::DirEntry& e : entries) {
    if (e.is_directory) ListBelow(folder + e.name + "\\", prefix + e.name + "\\", out);
    else out->push_back(prefix + e.name);
  }
}

}  // namespace

std::string HostPathOf(const std::string& windows_path) { return UnixPath(windows_path); }

bool RunHostCommand(const std::string& program, const std::vector<std::string>& args) {
  // Wine starts host programs, but the handle it gives back does not follow
  // them: the command runs from a script that leaves its exit code in a
  // file, and the file's arrival is what is waited for.
  static int serial = 0;
  static const TempDir scripts;  // one folder for the program's scripts
  const std::string base = scripts / Format("host%d", serial++);
  const auto quote = [](const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
  };
  const std::string done = HostPathOf(base + ".done");
  std::string script = quote(program);
  for (const std::string& a : args) script += " " + quote(a);
  script += "\necho $? > " + quote(done + ".tmp") + " && mv " + quote(done + ".tmp") + " " + quote(done) + "\n";
  WriteFileBytes(base + ".sh", script);
  std::wstring command = L"/bin/sh \"" + enc::Wide(HostPathOf(base + ".sh")) + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(L"Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  if (!driver::WaitUntil([&] { return fs::FileExists(base + ".done"); }, 30000)) return false;
  return ReadFileBytes(base + ".done").rfind("0", 0) == 0;
}

bool PointDrive(char letter, const std::string& folder) {
  const char* prefix = std::getenv("WINEPREFIX");
  if (!prefix || !*prefix) return false;
  const std::string link = std::string(prefix) + "/dosdevices/" + static_cast<char>(std::tolower(letter)) + ":";
  if (folder.empty()) {
    return RunHostCommand("/bin/rm", {"-f", link});
  }
  const std::string target = UnixPath(RemoveTrailingDelimiter(folder));
  if (target.empty()) return false;
  // ln replaces the drive's link in one step, as a disc is swapped.
  return RunHostCommand("/bin/ln", {"-sfn", target, link});
}

bool MountCdDrive(char letter, const std::string& folder) {
  // Wine's request to its mount manager (the one its configuration tool
  // sends): the drive's type, its letter and the host folder after it.
  struct UnixDrive {
    ULONG size, type, fs_type;
    DWORD serial;
    ULONGLONG unix_dev;
    WCHAR letter;
    USHORT mount_point_offset, device_offset, label_offset;
  };
  const DWORD define_unix_drive = CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
  const std::string mount_point = folder.empty() ? std::string() : UnixPath(RemoveTrailingDelimiter(folder));
  if (!folder.empty() && mount_point.empty()) return false;
  std::vector<char> request(sizeof(UnixDrive) + (folder.empty() ? 0 : mount_point.size() + 1));
  auto* drive = reinterpret_cast<UnixDrive*>(request.data());
  drive->size = static_cast<ULONG>(request.size());
  drive->type = DRIVE_CDROM;
  drive->letter = static_cast<WCHAR>(std::tolower(letter));
  if (!folder.empty()) {
    drive->mount_point_offset = sizeof(UnixDrive);
    std::copy(mount_point.begin(), mount_point.end(), request.begin() + sizeof(UnixDrive));
  }
  HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  const BOOL ok = DeviceIoControl(manager, define_unix_drive, request.data(), static_cast<DWORD>(request.size()), nullptr,
                                  0, &returned, nullptr);
  CloseHandle(manager);
  return ok != FALSE;
}

bool PointShare(const std::string& server, const std::string& share, const std::string& folder) {
  const char* prefix = std::getenv("WINEPREFIX");
  if (!prefix || !*prefix) return false;
  const std::string servers = std::string(prefix) + "/dosdevices/unc/" + server;
  const std::string link = servers + "/" + share;
  if (folder.empty()) return RunHostCommand("/bin/rm", {"-f", link});
  const std::string target = UnixPath(RemoveTrailingDelimiter(folder));
  return !target.empty() && RunHostCommand("/bin/mkdir", {"-p", servers}) &&
         RunHostCommand("/bin/ln", {"-sfn", target, link});
}

std::vector<std::string> FilesBelow(const std::string& folder) {
  std::vector<std::string> out;
  ListBelow(AddTrailingDelimiter(folder), "", &out);
  std::sort(out.begin(), out.end());
  return out;
}

std::string ProgramsFolder() {
  wchar_t path[MAX_PATH] = {};
  SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROGRAMS, FALSE);
  return AddTrailingDelimiter(enc::Narrow(path));
}

bool ReadShortcut(const std::string& lnk_file, ShortcutInfo* info) {
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  bool ok = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                       reinterpret_cast<void**>(&link))) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
            SUCCEEDED(file->Load(enc::Wide(lnk_file).c_str(), STGM_READ));
  if (ok) {
    wchar_t buf[MAX_PATH * 2] = {};
    link->GetPath(buf, MAX_PATH * 2, nullptr, 0);
    info->path = buf;
    buf[0] = 0;
    link->GetArguments(buf, MAX_PATH * 2);
    info->arguments = buf;
    buf[0] = 0;
    link->GetWorkingDirectory(buf, MAX_PATH * 2);
    info->work_dir = buf;
    buf[0] = 0;
    link->GetDescription(buf, MAX_PATH * 2);
    info->description = buf;
    buf[0] = 0;
    link->GetIconLocation(buf, MAX_PATH * 2, &info->icon_index);
    info->icon_file = buf;
    link->GetShowCmd(&info->show_command);
  }
  if (file) file->Release();
  if (link) link->Release();
  return ok;
}

bool WriteShortcut(const std::string& lnk_file, const std::string& target) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  fs::MakeDirectories(ExtractFilePath(lnk_file));
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  const bool ok = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                             reinterpret_cast<void**>(&link))) &&
                  SUCCEEDED(link->SetPath(enc::Wide(target).c_str())) &&
                  SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                  SUCCEEDED(file->Save(enc::Wide(lnk_file).c_str(), TRUE));
  if (file) file->Release();
  if (link) link->Release();
  return ok;
}

TestMedium::TestMedium(int disc_count, char drive) : drive_(drive) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  temp_ = dir_ / "tmp\\";
  fs::MakeDirectories(temp_);
  for (int i = 0; i < disc_count; ++i) {
    discs_.push_back(dir_ / ("disc" + std::to_string(i + 1) + "\\"));
    fs::MakeDirectories(discs_.back());
    EXPECT_TRUE(CopyFileW(enc::Wide(InstallExePath()).c_str(), enc::Wide(discs_.back() + "install.exe").c_str(), FALSE));
  }
  entries_.resize(static_cast<size_t>(disc_count));
  settings.Title = UniqueName("Title");
  settings.RegistryKey = "ZiInstallTests\\" + UniqueName("Key");
  settings.GameExe = "game.exe";
  settings.MediaName = "CD-ROM";
  settings.SetDiskCount(disc_count);
}

TestMedium::~TestMedium() { RemoveInstallationRecords(settings); }

void TestMedium::AddLoose(int disc, const std::string& rel, const std::string& bytes, bool listed) {
  WriteFileBytes(Disc(disc) + rel, bytes);
  if (listed) {
    const std::string lower = sjis::AsciiLower(rel);
    if (std::find(settings.CopyFiles.begin(), settings.CopyFiles.end(), lower) == settings.CopyFiles.end())
      settings.CopyFiles.push_back(lower);
  }
}

void TestMedium::AddEntry(int disc, const FixtureEntry& entry) { entries_.at(static_cast<size_t>(disc)).push_back(entry); }

void TestMedium::Write() {
  for (size_t i = 0; i < discs_.size(); ++i) {
    TZefoInstallSet s = settings;
    s.DiskIndex = static_cast<int32_t>(i);
    s.SaveToFile(discs_[i] + "install.dat");
    if (!entries_[i].empty()) WriteFileBytes(discs_[i] + "game.dat", BuildArchive(102, entries_[i]));
  }
  EXPECT_TRUE(Insert(0));
}

driver::Process TestMedium::Start(const std::string& args, const std::string& output_file, bool limited_rights) const {
  const std::wstring temp = enc::Wide(temp_);
  driver::Process p = driver::Process::Start(Root() + "install.exe", args, {{L"TEMP", temp}, {L"TMP", temp}}, Root(),
                                             L"", output_file, limited_rights);
  EXPECT_NE(p.Id(), 0u) << "install.exe did not start";
  return p;
}

driver::Process TestMedium::StartWizard(const std::string& log) const {
  return Start("\"" + Root() + "\"" + (log.empty() ? "" : " " + LogSwitch(log)));
}

}  // namespace testing_support
