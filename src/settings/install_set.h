// TZefoInstallSet: everything that makes one installation package differ from
// another, and its file install.dat.
//
// File format (little-endian). A string is an int32 byte count n and n bytes
// (n <= 0: empty, no bytes). A size is an int64 from version 100 on, before
// that a uint32 widened with zeros.
//
//   "is" + 3 ASCII digits  version (no "is": version 0, data from offset 0)
//   int32   DiskIndex
//   string  Title, FooterText, DefaultDir, ReadmeFile
//   byte    OpenReadme
//   string  BackgroundImage
//   byte    BackgroundMode
//   int32   DiskCount
//   string  GameExe
//   uint32  ImageSeed
//   byte    OfferRuntimes, SpareFlag
//   string  MediaName, RegistryKey
//   DiskCount x size {Program, Data, Sound, Movie}
//   size    ProgramSize, DataSize, SoundSize, MovieSize
//   byte    UninstallMode
//   byte    AddOn                               version >= 101
//   int32 count, count x (int32 n, n bytes)     InstalledFiles, >= 102
//   byte    DataInstalled                       >= 103
//   byte    InstallKind                         >= 104
//   byte    FromArchive                         >= 105
//   int32 count, count x string                 CopyFiles, >= 106
//   string  SetupCaption                        >= 107
//
// The writer always produces version 107. A load does not reset the object:
// fields the file's version does not carry keep their values; the two lists
// are always cleared first.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/errors.h"
#include "base/stream.h"

// The settings data does not follow the format (it ends early, or a count or
// length exceeds what is left of it).
class EInstallSetError : public EFormatError {
  using EFormatError::EFormatError;
};

// What InstallKind asks of the install. The file stores the number; a byte
// beyond these is kept as it was read (instdat check names it) and installs
// as a standard install does.
enum class TInstallKind : uint8_t {
  kStandard = 0,
  kAllComponents = 1,  // every component, no component or disc page
  kSystem = 2,         // into the Windows folder: no folder page, no records
};

// The component a separate file of the package counts towards, by its
// extension: sound and movie files are left out when their component is not
// chosen; everything else goes with the program.
enum class TFileKind { kOther = 0, kSound = 1, kMovie = 2 };

class TZefoInstallSet {
 public:
  static constexpr int kWrittenVersion = 107;

  int32_t DiskCount = 0;
  std::vector<std::string> InstalledFiles;
  std::string SetupCaption;
  int32_t DiskIndex = 0;
  std::string Title;
  std::string FooterText;
  std::string DefaultDir;
  std::string ReadmeFile;
  TInstallKind InstallKind = TInstallKind::kStandard;
  uint8_t OpenReadme = 0;
  std::string BackgroundImage;
  uint8_t BackgroundMode = 0;  // 0 centred, 1 stretched, 2 tiled
  std::string GameExe;
  uint32_t ImageSeed = 0;
  uint8_t OfferRuntimes = 0;
  uint8_t SpareFlag = 0;
  std::string MediaName;
  std::string RegistryKey;
  std::vector<int64_t> DiskProgramSize;
  std::vector<int64_t> DiskDataSize;
  std::vector<int64_t> DiskSoundSize;
  std::vector<int64_t> DiskMovieSize;
  int64_t ProgramSize = 0;
  int64_t DataSize = 0;
  int64_t SoundSize = 0;
  int64_t MovieSize = 0;
  uint8_t UninstallMode = 0;
  uint8_t AddOn = 0;
  uint8_t DataInstalled = 0;
  uint8_t FromArchive = 0;
  std::vector<std::string> CopyFiles;

  // Reads the format from the stream's position. Throws EInstallSetError when
  // the data ends early or a count or length exceeds the rest of the data; the
  // object may then hold part of the file.
  void LoadFromStream(TStream& stream);
  // Opens name for reading (writes by others denied) and loads it. Throws
  // EFOpenError when it cannot be opened, EInstallSetError naming the file
  // when it is damaged.
  void LoadFromFile(const std::string& name);
  void SaveToStream(TStream& stream) const;
  // Writes the whole file beside name and puts it in place in one step, so an
  // interrupted save never leaves a truncated file. Throws EFCreateError.
  void SaveToFile(const std::string& name) const;

  // Sets DiskCount and resizes the four per-disk arrays (new elements 0).
  void SetDiskCount(int32_t n);

  int InstalledFileCount() const { return static_cast<int>(InstalledFiles.size()); }
  const std::string& InstalledFile(int i) const { return InstalledFiles.at(static_cast<size_t>(i)); }
  // Index of the first entry equal to name with only ASCII letters folded; -1 when none.
  int IndexOfInstalledFile(const std::string& name) const;
  // Appends name unless an entry already equals it (ASCII letters folded).
  // Constant time: an install of tens of thousands of files stays linear.
  void AddInstalledFile(const std::string& name);
  // True when CopyFiles holds name (entries are lower-case paths; letters folded).
  bool IsCopyFile(const std::string& name) const;
  bool IsSystemInstall() const { return InstallKind == TInstallKind::kSystem; }
  bool InstallsAllComponents() const { return InstallKind == TInstallKind::kAllComponents; }
  // SetupCaption, or Title followed by "のセットアップ" when it is empty.
  std::string GetSetupCaption() const;

#ifdef _WIN32
  // The installation's values below HKEY_CURRENT_USER\Software\RegistryKey.
  std::string ReadValue(const std::string& name, const std::string& default_value) const;
  void WriteValue(const std::string& name, const std::string& value) const;
  // Removes the key with everything below it, then every parent key left empty.
  void DeleteRegistryKey() const;
  // "InstallPath" is set and the game program exists there; false without a
  // game program (an empty GameExe) or with one whose name fails the name check.
  bool IsGameInstalled() const;
#endif

 private:
  // A case-folded index of one of the lists, kept beside it: entries added
  // at the end are taken in on the next lookup; a list that shrank is indexed
  // again. The list itself (its order) is never changed by the index.
  class NameIndex {
   public:
    int Find(const std::vector<std::string>& list, const std::string& name) const;

   private:
    void Catch(const std::vector<std::string>& list) const;
    mutable std::unordered_map<std::string, int> first_;
    mutable size_t covered_ = 0;
  };
  NameIndex installed_index_;
  NameIndex copy_index_;
};
