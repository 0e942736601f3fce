#include "os/elevation_win.h"

#include <windows.h>
#include <sddl.h>
#include <shellapi.h>

#include <vector>

#include "base/encoding.h"
#include "base/paths.h"

namespace {

class TokenQuery {
 public:
  TokenQuery() {
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) token_ = OwnedHandle(token);
  }

  // The information's bytes, empty when the system gives none.
  std::vector<unsigned char> Get(TOKEN_INFORMATION_CLASS what) const {
    std::vector<unsigned char> bytes;
    if (!token_.IsOpen()) return bytes;
    DWORD size = 0;
    GetTokenInformation(token_.Get(), what, nullptr, 0, &size);
    if (size == 0) return bytes;
    bytes.resize(size);
    if (!GetTokenInformation(token_.Get(), what, bytes.data(), size, &size)) bytes.clear();
    return bytes;
  }

 private:
  OwnedHandle token_;
};

std::string SidText(PSID sid) {
  LPWSTR text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) return {};
  std::string result = enc::Narrow(text);
  LocalFree(text);
  return result;
}

// The folder itself when it exists, else its nearest existing parent; ""
// when not even the root exists.
std::string NearestExistingFolder(std::string folder) {
  folder = RemoveTrailingDelimiter(folder);
  for (;;) {
    const DWORD attributes = GetFileAttributesW(enc::Wide(AddTrailingDelimiter(folder)).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return folder;
    const std::string parent = ExtractFileDir(folder);
    if (parent.empty() || parent == folder) return {};
    folder = parent;
  }
}

}  // namespace

bool ProcessIsElevated() {
  const std::vector<unsigned char> bytes = TokenQuery().Get(TokenElevation);
  if (bytes.size() < sizeof(TOKEN_ELEVATION)) return false;
  return reinterpret_cast<const TOKEN_ELEVATION*>(bytes.data())->TokenIsElevated != 0;
}

std::string CurrentAccountSid() {
  const std::vector<unsigned char> bytes = TokenQuery().Get(TokenUser);
  if (bytes.size() < sizeof(TOKEN_USER)) return {};
  return SidText(reinterpret_cast<const TOKEN_USER*>(bytes.data())->User.Sid);
}

std::string AccountName(const std::string& sid_text) {
  PSID sid = nullptr;
  if (!ConvertStringSidToSidW(enc::Wide(sid_text).c_str(), &sid)) return sid_text;
  // Asked first for the sizes the names need.
  DWORD name_size = 0, domain_size = 0;
  SID_NAME_USE use;
  LookupAccountSidW(nullptr, sid, nullptr, &name_size, nullptr, &domain_size, &use);
  std::wstring name(name_size + 1, L'\0'), domain(domain_size + 1, L'\0');
  name_size = static_cast<DWORD>(name.size());
  domain_size = static_cast<DWORD>(domain.size());
  const bool named = LookupAccountSidW(nullptr, sid, name.data(), &name_size, domain.data(), &domain_size, &use);
  LocalFree(sid);
  if (!named) return sid_text;
  name.resize(name_size);
  domain.resize(domain_size);
  return domain_size ? enc::Narrow(domain) + "\\" + enc::Narrow(name) : enc::Narrow(name);
}

bool IsNetworkFolder(const std::string& folder) {
  const auto delimiter = [](char c) { return c == '\\' || c == '/'; };
  if (folder.size() >= 2 && delimiter(folder[0]) && delimiter(folder[1])) return true;
  if (folder.size() < 2 || folder[1] != ':') return false;
  return GetDriveTypeW(enc::Wide(folder.substr(0, 2) + "\\").c_str()) == DRIVE_REMOTE;
}

TTrialWrite TrialWrite(const std::string& folder, const std::string& trial_name) {
  TTrialWrite result;
  const std::string existing = NearestExistingFolder(folder);
  if (existing.empty()) {
    result.error = ERROR_PATH_NOT_FOUND;
    return result;
  }
  const std::string trial = AddTrailingDelimiter(existing) + trial_name;
  const std::wstring wide = enc::WidePath(trial);
  if (!CreateDirectoryW(wide.c_str(), nullptr)) {
    result.error = GetLastError();
    return result;
  }
  // Confirmed by looking: Wine reports a removal the host then refuses as
  // done. The trial lies outside the install folder: it is not left unsaid.
  const bool removed = RemoveDirectoryW(wide.c_str()) != 0;
  result.remove_error = removed ? 0 : GetLastError();
  if (!removed || GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES) {
    result.left_behind = trial;
    result.removal_scheduled = MoveFileExW(wide.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
  }
  return result;
}

bool TElevatedRun::Start(const std::string& program, const std::string& parameters, unsigned long* error) {
  const std::wstring file = enc::Wide(program), params = enc::Wide(parameters);
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = params.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) {
    *error = GetLastError();
    return false;
  }
  // Without a handle the run still started; only its end cannot be waited for.
  process_ = OwnedHandle(info.hProcess);
  started_ = true;
  return true;
}

bool TElevatedRun::Wait(unsigned long* exit_code) {
  if (!process_.IsOpen() || WaitForSingleObject(process_.Get(), INFINITE) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  if (!GetExitCodeProcess(process_.Get(), &code)) return false;
  *exit_code = code;
  return true;
}
