// Deleting exactly the file a path names, never what a link leads to.
//
// On Windows a link (symbolic link, junction) is opened as itself when asked
// and deleting it removes the link. Wine follows every link whatever it is
// told: a link to a file shows as a plain file, and deleting it deletes the
// file it leads to. So the name the file system gives the opened file is
// compared with the name the caller expects before anything is deleted.
#pragma once

#include <string>

// The file system's full name of an existing file or folder, links resolved
// as the system resolves them ("C:\...", no "\\?\" prefix); empty when it
// cannot be opened or named.
std::string FinalPathOf(const std::string& path);

enum class TExactDelete {
  kDeleted,    // gone (a link: the link itself)
  kMissing,    // nothing there, or it cannot be opened
  kElsewhere,  // the file system names it otherwise: reached through a link
  kFolder,     // a real folder, left alone
  kFailed,     // the system refused (in use, access denied)
};

// Opens path without following a final link, and deletes it (clearing a
// read-only attribute first) when the file system's name for it equals
// expected_final (ASCII letters compared without case).
TExactDelete DeleteExactly(const std::string& path, const std::string& expected_final);
