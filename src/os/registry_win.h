// An open registry key, owned (closed on destruction). Key paths and value
// names are Shift-JIS and converted with code page 932.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class RegKey {
 public:
  RegKey() = default;
  ~RegKey();
  RegKey(RegKey&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
  RegKey& operator=(RegKey&& other) noexcept;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  // Opens an existing key; never creates one.
  static RegKey Open(HKEY root, const std::string& path, REGSAM access);
  // Opens the key, creating it and any missing parents.
  static RegKey Create(HKEY root, const std::string& path);

  bool IsOpen() const { return key_ != nullptr; }
  HKEY Handle() const { return key_; }

  // The value as a string when it has a string type (REG_SZ or REG_EXPAND_SZ,
  // taken unexpanded); false when it is missing or of another type.
  bool QueryString(const std::string& name, std::string* value) const;
  bool SetString(const std::string& name, const std::string& value) const;
  bool SetDword(const std::string& name, uint32_t value) const;
  // Removes the sub-key with everything below it.
  bool DeleteTree(const std::string& subkey) const;
  // Removes one value; true when it is gone (also when it was not there).
  bool DeleteValue(const std::string& name) const;
  // The value exists, of any type.
  bool HasValue(const std::string& name) const;
  // Removes an empty sub-key.
  bool DeleteEmptySubKey(const std::string& subkey) const;
  // No sub-keys and no values.
  bool IsEmpty() const;
  // The names of the sub-keys; those code page 932 cannot spell are left out,
  // since no path of this program could name them.
  std::vector<std::string> SubKeyNames() const;

 private:
  explicit RegKey(HKEY key) : key_(key) {}
  HKEY key_ = nullptr;
};
