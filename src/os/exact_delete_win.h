// Deleting exactly the file a path names, never what a link leads to.
//
// On Windows a link (symbolic link, junction) is opened as itself when asked
// and deleting it removes the link. Wine follows every link whatever it is
// told: a link to a file shows as a plain file, and deleting it deletes the
// file it leads to. So the name the file system gives the opened file is
// compared with the name the caller expects before anything is deleted.
//
// Paths are UTF-16, as the system gives and takes them: a folder whose long
// name code page 932 cannot spell is still named exactly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "os/owned_handle_win.h"

struct TFinalPath {
  bool exists = false;     // false: nothing there (the system said "not found")
  bool folder = false;     // a folder, not a link
  bool link = false;       // a link (reparse point) itself
  std::wstring name;       // the file system's full name ("C:\...", "\\server\share\..."), links resolved
  uint32_t error = 0;      // exists, but could not be opened or named: the system's error
};

// The file system's full name of the file or folder h, opened by path ("" when
// it cannot be named), without the "\\?\" prefix, at any length.
std::wstring FinalNameOf(void* h, const std::wstring& path);

// What the system says of path, without following a final link.
TFinalPath FinalPathOf(const std::wstring& path);

enum class TExactDelete {
  kDeleted,    // gone (a link: the link itself)
  kMissing,    // nothing there (the system said "not found")
  kElsewhere,  // the file system names it otherwise: reached through a link
  kFolder,     // a real folder, left alone
  kFailed,     // the system refused (in use, access denied): GetLastError() says why
};

// Opens path without following a final link, and deletes it (clearing a
// read-only attribute first) when the file system's name for it is
// expected_final (compared as the file system compares names).
TExactDelete DeleteExactly(const std::wstring& path, const std::u16string& expected_final);

// Opens path for deletion, shared with nobody, when the file system names it
// expected_final, and keeps it open in claim: while the claim is held no
// other process can open the file, so deleting it later cannot fail on a
// reader, and a stop before DeleteClaimed leaves the file in place. kDeleted
// here means claimed; kFailed: in use or denied (GetLastError() says why).
TExactDelete ClaimExactly(const std::wstring& path, const std::u16string& expected_final, OwnedHandle& claim);

// Deletes the file claim holds (clearing a read-only attribute first) and
// closes the claim. False when the system refused (GetLastError() says why).
bool DeleteClaimed(OwnedHandle& claim);

// Opens a folder to work in, for listing and removal: not through a link at
// its end, and only when the file system names it expected_final. Not open
// when it is anything else.
OwnedHandle OpenFolderExactly(const std::wstring& path, const std::u16string& expected_final);

struct TFolderEntry {
  std::wstring name;
  bool is_folder = false;  // a real folder, not a link
};

// The entries of the folder open in folder, "." and ".." left out. False
// when it could not be listed.
bool ListFolder(const OwnedHandle& folder, std::vector<TFolderEntry>* entries);

// Removes the empty folder open in folder (opened by OpenFolderExactly) and
// closes the handle. False when it is not empty or the system refused.
bool RemoveOpenFolder(OwnedHandle& folder);
