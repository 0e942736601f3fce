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

std::vector<std::string> RegKey::SubKeyNames() const {
  std::vector<std::string> names;
  DWORD longest = 0;
  if (!key_ || RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return names;
  std::wstring name(longest + 1, L'\0');
  for (DWORD i = 0;; ++i) {
    DWORD size = static_cast<DWORD>(name.size());
    const LONG result = RegEnumKeyExW(key_, i, name.data(), &size, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_MORE_DATA) {  // a key added since the size was asked
      name.resize(name.size() * 2);
      --i;
      continue;
    }
    if (result != ERROR_SUCCESS) break;
    bool exact = true;
    std::string narrow = enc::Narrow(std::wstring_view(name.data(), size), &exact);
    if (exact) names.push_back(std::move(narrow));
  }
  return names;
}
