// The loaded directory of a "vf" archive and the reading of its entries.
//
// An archive reaches the program as
// - a data file ("game.dat" and its volumes) that starts with its directory,
// - a data file with its directory in the file beside it named ".ext",
// - a carrier program (".exe"/".scr") with the archive appended and a 6-byte
//   trailer (int32 directory position, "zf") at its very end,
// - a resource of a module (Windows).
// Besides, a folder of loose files (LooseFolder) overrides entries of the
// same name, and a collection can be opened on a folder alone.
//
// After loading, the collection holds the n entries in directory order and
// then the end marker "\EOF\" (Offset: the directory's last offset value,
// relative; Size 0). Entry names compare without regard to ASCII case; of
// two entries with one name, the later one is found. A name starting with "/"
// is a superseded entry, kept in place but no longer found under its name.
#pragma once

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <string_view>

#include "archive/bigstreams.h"
#include "archive/hash.h"
#include "base/errors.h"
#include "base/read_ahead.h"
#include "base/stream.h"

class TRangeReader;

// A damaged directory, or an entry whose bytes are not all there. The message
// names the archive and what was wrong.
class EArchiveError : public EFormatError {
  using EFormatError::EFormatError;
};

// ReadEntry of a name that is neither a loose file nor an entry:
// "<name>:ファイルがありません".
class EEntryNotFound : public EError {
  using EError::EError;
};

// CRC-32 of the next count bytes of s, read through buffer in blocks of up
// to buffer_size bytes. Stops early when s ends; *read (when given) receives
// the bytes actually read, so that a short entry is told from a bad one.
uint32_t StreamCrc32(TTpBigStream& s, int64_t count, void* buffer, int64_t buffer_size, int64_t* read = nullptr);

class TVrFile : public THashCollectionItem {
 public:
  TVrFile() = default;

  int64_t Offset = 0;     // absolute position of the first byte in the archive stream
  int64_t Size = 0;       // stored bytes
  uint8_t Stored = 0;     // 0: a zlib stream that inflates to the file; else the file itself
  int32_t FileTime = 0;   // packed MS-DOS date-time; compared signed, larger is newer
  uint32_t Crc = 0;       // CRC-32 (zlib's); 0 when unknown
  uint8_t LooseFile = 0;  // nonzero: installed as a separate file, never merged into a data file
};

class TVrFileCollection : public THashCollection {
 public:
  // Progress of building or verifying a data file: sender, entry, set abort
  // to stop, count, index, size.
  using TProgressEvent = std::function<void(TVrFileCollection&, TVrFile&, bool& abort, int32_t, int32_t, int64_t)>;

  TVrFileCollection();
  ~TVrFileCollection() override;

  // Opens a data file, a carrier program or a folder; file_name "" closes.
  // LooseFolder becomes the folder of file_name when it is an existing file
  // or keep_folder is set, otherwise file_name itself (taken as a folder).
  // A name that is no existing file opens no archive and raises nothing.
  // Throws EArchiveError for a damaged directory or trailer and EFOpenError
  // for a volume that cannot be opened; the collection is closed then.
  void Open(const std::string& file_name, bool keep_folder = false);
#ifdef _WIN32
  // Opens the archive held by resource res_name of type res_type of the
  // module file module_name: the running program itself when that is its
  // name, otherwise the file loaded as a data module (a module that cannot
  // be loaded leaves the collection closed, raising nothing). A missing
  // resource throws EResNotFound, an empty one "リソースが見つかりません".
  // FileName and LooseFolder stay as they were.
  void OpenResource(const std::string& module_name, const std::string& res_name, const std::string& res_type);
#endif
  // Appends the directory that starts at s's position (see dirformat.h),
  // then the end marker. Every count, length and offset is checked against
  // the data before anything is allocated or added: a damaged directory
  // throws EArchiveError and adds nothing.
  void ReadDirectory(TTpBigStream& s);

  // Fills dest with the content of name and rewinds it: a file name in
  // LooseFolder first (never the archive file itself), else the entry,
  // inflated when Stored is 0. A memory stream is emptied first; any other
  // stream is written at its position. Throws EEntryNotFound when neither
  // exists, EArchiveError when the entry's bytes are cut short and
  // EDecompressionError when they do not inflate.
  void ReadEntry(TStream& dest, std::string_view name);

  // Takes the entries of source over into this collection's data file,
  // FileName, as the install folder's data file is built disc after disc:
  // - the data file is opened for appending (read-write, kept; or created,
  //   any old chain of that name deleted, when no archive is open);
  // - each entry of source, in order, except the end marker and LooseFile
  //   entries, is taken when this collection has no entry of its name or
  //   only an older one (FileTime compared signed); an older one is renamed
  //   "/" + its name and keeps its bytes. The new entry (Offset = the end of
  //   the data) is announced through OnProgress (count: source's items, end
  //   marker included; index: the position in source) and then its stored
  //   bytes are appended unchanged, volume to volume;
  // - when anything was taken, the end marker is dropped, the data is flushed
  //   to the disk and the version-102 directory of every item is written to
  //   FileName with the extension ".ext", through a temporary file put in
  //   place in one step.
  // Returns kWritten when entries were taken and the new directory file is in
  // place, kNothingTaken when source had nothing newer, and kCancelled when
  // OnProgress asked to stop (then at once: no directory is written, bytes
  // appended so far stay, entries renamed or added stay in memory only). Throws EWriteError / EFCreateError (disk full, a volume that
  // cannot be created, a directory file that cannot be saved), EArchiveError
  // when the source's bytes are missing, and EError for a data file named
  // like its own directory file or a source that is this data file; the
  // directory file is then left as it was.
  //
  // With kLater, a merge that took anything leaves its data flushing on a
  // worker and its directory file to FinishMerge (kWritten all the same): a
  // caller that waits for something else anyway, a person changing discs,
  // need not also wait for the disk. The next MergeFrom or Verify finishes
  // it first.
  enum class TMergeResult { kNothingTaken, kWritten, kCancelled };
  enum class TDirectoryWrite { kNow, kLater };
  TMergeResult MergeFrom(TVrFileCollection& source, TDirectoryWrite directory = TDirectoryWrite::kNow);
  // Waits for a merge's flush and writes the directory file it left for
  // later; nothing when none is left. Throws as MergeFrom does.
  void FinishMerge();
  // The stored bytes MergeFrom(source) would take, found beforehand by the
  // same rule (a name the source holds twice counts twice).
  int64_t BytesToMerge(const TVrFileCollection& source) const;

  // Recomputes the CRC-32 of the stored bytes of every entry (the end marker
  // aside; entries with Crc 0 or a name starting with "/" are skipped) and
  // compares it with Crc. Calls OnProgress before the items at positions 9,
  // 19, 29, ... with count = the number of entries walked. Returns false at
  // the first entry whose checksum differs or whose bytes are not all there
  // (its position in *failed when given, else -1 there); true otherwise,
  // also when cancelled.
  bool Verify(int32_t* failed = nullptr);

  // Appends a new entry with this name, every other field 0.
  TVrFile& AddFile(std::string name);
  TVrFile& Files(int32_t index) const { return static_cast<TVrFile&>(Item(index)); }
  // The stream holding the entries' bytes, or null when no archive is open.
  TTpBigStream* Stream() const { return archive_stream_.get(); }

  const std::string& FileName() const { return file_name_; }
  const std::string& LooseFolder() const { return loose_folder_; }
  void SetLooseFolder(std::string folder) { loose_folder_ = std::move(folder); }

  TProgressEvent OnProgress;
  // Called by MergeFrom inside a large entry, after each slice of its bytes,
  // with the bytes of that entry copied so far; returning false cancels the
  // merge there, as an abort through OnProgress does. Unset: one copy per entry.
  std::function<bool(int64_t copied)> OnEntryBytes;

 protected:
  std::unique_ptr<THashCollectionItem> NewItem() const override;
  // Frees the items and the archive stream (and the resource module).
  void CloseArchive();
  [[noreturn]] void Damaged(const std::string& detail) const;
  // Whether two names spell the same file (ignoring ASCII case).
  static bool SamePath(const std::string& a, const std::string& b);

 private:
  void CopyEntryBytes(TStream& dest, const TVrFile& e);
  // Whether a merge takes s (an entry of the source), marker being the end
  // marker's index; *existing: this collection's entry of that name, or -1.
  bool Takes(const TVrFile& s, int32_t marker, int32_t* existing) const;
  // The end marker left by loading (found by its exact name), or -1.
  int32_t EndMarkerIndex() const;
  // Opens the data file for appending, positioned at its end.
  TTpBigFileStream& OpenForAppending();
  // Appends the stored bytes of s (an entry of the source, read through from
  // in a stretch that ends at stretch_end) as entry n; false when
  // OnEntryBytes asked to stop on the way. Raises when from is null.
  bool AppendEntryBytes(const TVrFileCollection& source, TRangeReader* from, int64_t stretch_end, const TVrFile& s,
                        TVrFile& n);
  TReadAhead& ReadAhead();
  void WriteDirectoryFile();

  std::string file_name_;
  std::string loose_folder_;
  // How messages name the archive: the file, or the module and resource.
  std::string source_name_;
#ifdef _WIN32
  struct ModuleRelease {
    void operator()(void* module) const;
  };
  // Declared before the stream, so that the stream (which points into the
  // module's memory) is destroyed first.
  std::unique_ptr<void, ModuleRelease> resource_module_;
#endif
  std::unique_ptr<TTpBigStream> archive_stream_;
  // Reads a merge's source ahead; made for the first entry with bytes.
  std::unique_ptr<TReadAhead> read_ahead_;
  // The flush of a merge whose directory file is left for later; waited for
  // before the stream goes.
  std::future<void> flushing_;
  bool directory_pending_ = false;
};
