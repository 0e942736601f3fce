#include "os/disc_drives_win.h"

#include <windows.h>

#include "base/encoding.h"

namespace {

// While it lives, a drive without a disc makes calls fail with
// ERROR_NOT_READY instead of the system's "insert a disk" box, which would
// stop the thread until someone answers it.
class CriticalErrorsFail {
 public:
  CriticalErrorsFail() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old_); }
  ~CriticalErrorsFail() { SetThreadErrorMode(old_, nullptr); }
  CriticalErrorsFail(const CriticalErrorsFail&) = delete;
  CriticalErrorsFail& operator=(const CriticalErrorsFail&) = delete;

 private:
  DWORD old_ = 0;
};

bool IsFloppy(const wchar_t* device) {
  wchar_t target[MAX_PATH] = L"";
  if (!QueryDosDeviceW(device, target, MAX_PATH)) return false;
  return wcsncmp(target, L"\\Device\\Floppy", 14) == 0;
}

}  // namespace

std::vector<DiscDrive> DiscDrives() {
  const CriticalErrorsFail guard;
  std::vector<DiscDrive> drives;
  const DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(mask & (1u << i))) continue;
    const wchar_t letter = static_cast<wchar_t>(L'A' + i);
    const wchar_t root[] = {letter, L':', L'\\', 0};
    const wchar_t device[] = {letter, L':', 0};
    const UINT type = GetDriveTypeW(root);
    if (type != DRIVE_CDROM && type != DRIVE_REMOVABLE) continue;
    if (type == DRIVE_REMOVABLE && IsFloppy(device)) continue;
    // The volume's name is the cheapest question that needs a medium.
    const bool ready = GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0) != 0;
    drives.push_back({enc::Narrow(root), ready});
  }
  return drives;
}
