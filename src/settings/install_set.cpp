#include "settings/install_set.h"

#include <cstring>

#include "base/endian.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/sjis.h"

namespace {

// Reads the settings fields through bounds checks: nothing is read or
// allocated beyond what the stream still holds.
class SettingsReader {
 public:
  explicit SettingsReader(TStream& s) : s_(s) {}

  int64_t Left() { return s_.Remaining(); }

  void Bytes(void* out, int64_t n, const char* what) {
    if (n > Left()) Damaged(Format("%s: データが途中で終わっています", what));
    s_.ReadBuffer(out, n);
  }
  int32_t Int32(const char* what) {
    uint8_t b[4];
    Bytes(b, 4, what);
    return le::LoadInt32(b);
  }
  uint8_t Byte(const char* what) {
    uint8_t b;
    Bytes(&b, 1, what);
    return b;
  }
  int64_t Size(bool wide, const char* what) {
    if (!wide) return static_cast<uint32_t>(Int32(what));
    const uint32_t lo = static_cast<uint32_t>(Int32(what));
    const uint32_t hi = static_cast<uint32_t>(Int32(what));
    return static_cast<int64_t>((static_cast<uint64_t>(hi) << 32) | lo);
  }
  std::string Text(int32_t n, const char* what) {
    if (n <= 0) return {};
    if (n > Left())
      Damaged(Format("%s: 長さ %d が残りのデータ %lld バイトを超えています", what, n, static_cast<long long>(Left())));
    std::string s(static_cast<size_t>(n), '\0');
    s_.ReadBuffer(s.data(), n);
    return s;
  }
  std::string String(const char* what) { return Text(Int32(what), what); }
  // A list count: negative counts mean an empty list; each entry needs at
  // least min_entry_bytes, so a count beyond that is damage.
  int32_t Count(int64_t min_entry_bytes, const char* what) {
    const int32_t n = Int32(what);
    if (n > 0 && n > Left() / min_entry_bytes)
      Damaged(Format("%s: 件数 %d が残りのデータに収まりません", what, n));
    return n < 0 ? 0 : n;
  }

  [[noreturn]] void Damaged(const std::string& detail) {
    throw EInstallSetError("インストール設定ファイルが壊れています\r\n" + detail);
  }

 private:
  TStream& s_;
};

class SettingsWriter {
 public:
  explicit SettingsWriter(TStream& s) : s_(s) {}
  void Bytes(const void* p, int64_t n) { s_.WriteBuffer(p, n); }
  void Byte(uint8_t b) { Bytes(&b, 1); }
  void Int32(int32_t v) {
    uint8_t b[4];
    le::Store32(b, static_cast<uint32_t>(v));
    Bytes(b, 4);
  }
  void Size(int64_t v) {
    Int32(static_cast<int32_t>(static_cast<uint64_t>(v) & 0xFFFFFFFFu));
    Int32(static_cast<int32_t>(static_cast<uint64_t>(v) >> 32));
  }
  void String(const std::string& s) {
    Int32(static_cast<int32_t>(s.size()));
    Bytes(s.data(), static_cast<int64_t>(s.size()));
  }

 private:
  TStream& s_;
};

// The three characters after "is": a decimal number (an optional sign, digits,
// leading blanks allowed), anything else version 0.
int ParseVersion(const char digits[3]) {
  int i = 0;
  while (i < 3 && digits[i] == ' ') ++i;
  bool negative = false;
  if (i < 3 && (digits[i] == '+' || digits[i] == '-')) negative = digits[i++] == '-';
  if (i == 3) return 0;
  int value = 0;
  for (; i < 3; ++i) {
    if (digits[i] < '0' || digits[i] > '9') return 0;
    value = value * 10 + (digits[i] - '0');
  }
  return negative ? -value : value;
}

}  // namespace

void TZefoInstallSet::SetDiskCount(int32_t n) {
  DiskCount = n;
  const size_t size = n > 0 ? static_cast<size_t>(n) : 0;
  DiskProgramSize.resize(size);
  DiskDataSize.resize(size);
  DiskSoundSize.resize(size);
  DiskMovieSize.resize(size);
}

void TZefoInstallSet::LoadFromStream(TStream& stream) {
  SettingsReader r(stream);
  const int64_t start = stream.GetPosition();
  int version = 0;
  char header[5];
  if (r.Left() >= 2 && stream.Read(header, 2) == 2 && std::memcmp(header, "is", 2) == 0) {
    r.Bytes(header + 2, 3, "バージョン");
    version = ParseVersion(header + 2);
  } else {
    stream.SetPosition(start);
  }
  const bool wide_sizes = version >= 100;

  DiskIndex = r.Int32("DiskIndex");
  Title = r.String("Title");
  FooterText = r.String("FooterText");
  DefaultDir = r.String("DefaultDir");
  ReadmeFile = r.String("ReadmeFile");
  OpenReadme = r.Byte("OpenReadme");
  BackgroundImage = r.String("BackgroundImage");
  BackgroundMode = r.Byte("BackgroundMode");
  const int32_t disks = r.Int32("DiskCount");
  // Each disk needs four sizes of 4 or 8 bytes: a count beyond that is damage.
  const int64_t disk_record = wide_sizes ? 32 : 16;
  if (disks < 0 || disks > r.Left() / disk_record)
    r.Damaged(Format("DiskCount: %d は不正な値です", disks));
  SetDiskCount(disks);
  GameExe = r.String("GameExe");
  ImageSeed = static_cast<uint32_t>(r.Int32("ImageSeed"));
  OfferRuntimes = r.Byte("OfferRuntimes");
  SpareFlag = r.Byte("SpareFlag");
  MediaName = r.String("MediaName");
  RegistryKey = r.String("RegistryKey");
  for (int32_t i = 0; i < disks; ++i) {
    DiskProgramSize[i] = r.Size(wide_sizes, "DiskProgramSize");
    DiskDataSize[i] = r.Size(wide_sizes, "DiskDataSize");
    DiskSoundSize[i] = r.Size(wide_sizes, "DiskSoundSize");
    DiskMovieSize[i] = r.Size(wide_sizes, "DiskMovieSize");
  }
  ProgramSize = r.Size(wide_sizes, "ProgramSize");
  DataSize = r.Size(wide_sizes, "DataSize");
  SoundSize = r.Size(wide_sizes, "SoundSize");
  MovieSize = r.Size(wide_sizes, "MovieSize");
  UninstallMode = r.Byte("UninstallMode");
  if (version >= 101) AddOn = r.Byte("AddOn");

  InstalledFiles.clear();
  if (version >= 102) {
    const int32_t n = r.Count(4, "InstalledFiles");
    for (int32_t i = 0; i < n; ++i) {
      std::string name = r.String("InstalledFiles");
      if (!name.empty()) InstalledFiles.push_back(std::move(name));  // empty names are not kept
    }
  }
  if (version >= 103) DataInstalled = r.Byte("DataInstalled");
  if (version >= 104) InstallKind = static_cast<TInstallKind>(r.Byte("InstallKind"));
  if (version >= 105) FromArchive = r.Byte("FromArchive");
  CopyFiles.clear();
  if (version >= 106) {
    const int32_t n = r.Count(4, "CopyFiles");
    for (int32_t i = 0; i < n; ++i) CopyFiles.push_back(r.String("CopyFiles"));
  }
  if (version >= 107) SetupCaption = r.String("SetupCaption");
}

void TZefoInstallSet::LoadFromFile(const std::string& name) {
  TFileStream file(name, kFmOpenRead | kFmShareDenyWrite);
  try {
    LoadFromStream(file);
  } catch (const EInstallSetError& e) {
    throw EInstallSetError(e.Message() + "\r\n" + name);
  }
}

void TZefoInstallSet::SaveToStream(TStream& stream) const {
  SettingsWriter w(stream);
  w.Bytes("is107", 5);
  w.Int32(DiskIndex);
  w.String(Title);
  w.String(FooterText);
  w.String(DefaultDir);
  w.String(ReadmeFile);
  w.Byte(OpenReadme);
  w.String(BackgroundImage);
  w.Byte(BackgroundMode);
  w.Int32(DiskCount);
  w.String(GameExe);
  w.Int32(static_cast<int32_t>(ImageSeed));
  w.Byte(OfferRuntimes);
  w.Byte(SpareFlag);
  w.String(MediaName);
  w.String(RegistryKey);
  for (int32_t i = 0; i < DiskCount; ++i) {
    // The arrays follow DiskCount; a caller that set DiskCount directly gets zeros.
    auto at = [i](const std::vector<int64_t>& v) { return static_cast<size_t>(i) < v.size() ? v[i] : 0; };
    w.Size(at(DiskProgramSize));
    w.Size(at(DiskDataSize));
    w.Size(at(DiskSoundSize));
    w.Size(at(DiskMovieSize));
  }
  w.Size(ProgramSize);
  w.Size(DataSize);
  w.Size(SoundSize);
  w.Size(MovieSize);
  w.Byte(UninstallMode);
  w.Byte(AddOn);
  w.Int32(static_cast<int32_t>(InstalledFiles.size()));
  for (const auto& f : InstalledFiles) w.String(f);
  w.Byte(DataInstalled);
  w.Byte(static_cast<uint8_t>(InstallKind));
  w.Byte(FromArchive);
  w.Int32(static_cast<int32_t>(CopyFiles.size()));
  for (const auto& f : CopyFiles) w.String(f);
  w.String(SetupCaption);
}

void TZefoInstallSet::SaveToFile(const std::string& name) const {
  TMemoryStream m;
  SaveToStream(m);
  if (!fs::WriteFileReplacing(name, m.Memory(), m.GetSize())) throw errors::CreateFailed(name);
}

void TZefoInstallSet::NameIndex::Catch(const std::vector<std::string>& list) const {
  if (list.size() < covered_) {
    first_.clear();
    covered_ = 0;
  }
  for (; covered_ < list.size(); ++covered_) first_.emplace(sjis::AsciiLower(list[covered_]), static_cast<int>(covered_));
}

int TZefoInstallSet::NameIndex::Find(const std::vector<std::string>& list, const std::string& name) const {
  Catch(list);
  const auto it = first_.find(sjis::AsciiLower(name));
  if (it == first_.end()) return -1;
  const size_t i = static_cast<size_t>(it->second);
  if (i < list.size() && sjis::EqualsNoCase(list[i], name)) return it->second;
  // The entry was changed in place since it was indexed: index the list anew.
  first_.clear();
  covered_ = 0;
  Catch(list);
  const auto again = first_.find(sjis::AsciiLower(name));
  return again == first_.end() ? -1 : again->second;
}

int TZefoInstallSet::IndexOfInstalledFile(const std::string& name) const {
  return installed_index_.Find(InstalledFiles, name);
}

void TZefoInstallSet::AddInstalledFile(const std::string& name) {
  if (IndexOfInstalledFile(name) < 0) InstalledFiles.push_back(name);
}

bool TZefoInstallSet::IsCopyFile(const std::string& name) const { return copy_index_.Find(CopyFiles, name) >= 0; }

std::string TZefoInstallSet::GetSetupCaption() const {
  return SetupCaption.empty() ? Title + "のセットアップ" : SetupCaption;
}
