// Builds install.dat bytes field by field, for files of any version.
#pragma once

#include <cstdint>
#include <string>

class SettingsBytes {
 public:
  SettingsBytes& Raw(const std::string& s) { bytes_ += s; return *this; }
  SettingsBytes& Byte(uint8_t b) { bytes_ += static_cast<char>(b); return *this; }
  SettingsBytes& Int32(int32_t v) {
    for (int i = 0; i < 4; ++i) bytes_ += static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    return *this;
  }
  SettingsBytes& Int64(int64_t v) {
    for (int i = 0; i < 8; ++i) bytes_ += static_cast<char>((static_cast<uint64_t>(v) >> (8 * i)) & 0xFF);
    return *this;
  }
  SettingsBytes& String(const std::string& s) { return Int32(static_cast<int32_t>(s.size())).Raw(s); }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};
