#include "os/registry_win.h"

#include <shlwapi.h>

#include <vector>

#include "base/encoding.h"

RegKey::~RegKey() {
  if (key_) RegCloseKey(key_);
}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    if (key_) RegCloseKey(key_);
    key_ = other.key_;
    other.key_ = nullptr;
  }
  return *this;
}

RegKey RegKey::Open(HKEY root, const std::string& path, REGSAM access) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, enc::Wide(path).c_str(), 0, access, &key) != ERROR_SUCCESS) return RegKey();
  return RegKey(key);
}

RegKey RegKey::Create(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, enc::Wide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    return RegKey();
  return RegKey(key);
}

bool RegKey::QueryString(const std::string& name, std::string* value) const {
  if (!key_) return false;
  const std::wstring wname = enc::Wide(name);
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExW(key_, wname.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  // Room for a terminator the stored data may lack.
  std::vector<wchar_t> buf(bytes / sizeof(wchar_t) + 2, L'\0');
  DWORD size = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key_, wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size) !=
      ERROR_SUCCESS)
    return false;
  size_t chars = size / sizeof(wchar_t);
  while (chars > 0 && buf[chars - 1] == L'\0') --chars;
  *value = enc::Narrow(std::wstring_view(buf.data(), chars));
  return true;
}

bool RegKey::SetString(const std::string& name, const std::string& value) const {
  if (!key_) return false;
  const std::wstring wvalue = enc::Wide(value);
  return RegSetValueExW(key_, enc::Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wvalue.c_str()),
                        static_cast<DWORD>((wvalue.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool RegKey::SetDword(const std::string& name, uint32_t value) const {
  if (!key_) return false;
  const DWORD data = value;
  return RegSetValueExW(key_, enc::Wide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                        sizeof data) == ERROR_SUCCESS;
}

bool RegKey::DeleteTree(const std::string& subkey) const {
  // RegDeleteKey refuses a key that still has sub-keys; the shell's helper
  // removes the whole tree.
  return key_ && SHDeleteKeyW(key_, enc::Wide(subkey).c_str()) == ERROR_SUCCESS;
}

bool RegKey::DeleteValue(const std::string& name) const {
  if (!key_) return false;
  const LONG r = RegDeleteValueW(key_, enc::Wide(name).c_str());
  return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
}

bool RegKey::HasValue(const std::string& name) const {
  return key_ && RegQueryValueExW(key_, enc::Wide(name).c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool RegKey::DeleteEmptySubKey(const std::string& subkey) const {
  return key_ && RegDeleteKeyW(key_, enc::Wide(subkey).c_str()) == ERROR_SUCCESS;
}

bool RegKey::IsEmpty() const {
  DWORD subkeys = 0, values = 0;
  if (!key_ || RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  return subkeys == 0 && values == 0;
}

std::vector<std::string> RegKey::SubKeys() const {
  std::vector<std::string> names;
  if (!key_) return names;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];  // a key's name holds at most 255 characters
    DWORD n = 256;
    const LONG r = RegEnumKeyExW(key_, i, name, &n, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r == ERROR_SUCCESS) names.push_back(enc::Narrow(std::wstring(name, n)));
    else if (r != ERROR_MORE_DATA) break;
  }
  return names;
}
