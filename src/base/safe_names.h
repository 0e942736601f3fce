// Names that come from file data (archive entries, settings files, the
// medium's listing, the command line) before they meet the file system.
// Names are Shift-JIS; only single-byte "\" and "/" count as delimiters.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// True when name, joined below a folder, names a file inside that folder and
// nothing else: not empty, not absolute, no drive or UNC prefix, no ":" (a
// drive or an alternate data stream), no control character or one of <>"|?*,
// and no component that is empty, "." or "..", ends in a dot or a space
// (Windows drops those, so ".. " climbs out as ".." does), or is a device
// name (CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$) with or without
// an extension.
bool IsSafeRelativeName(std::string_view name);

// Why a name fails IsSafeRelativeName: the first fault found, the whole name
// scanned for forbidden characters first, then its components in order.
enum class TNameFault {
  kNone,
  kEmpty,              // no name at all
  kRooted,             // starts with a delimiter: absolute, or a UNC path
  kForbiddenCharacter, // one of :<>"|?* (":" also makes a drive or a stream)
  kControlCharacter,   // below 0x20
  kEmptyPart,          // two delimiters in a row, or one at the end
  kDotPart,            // "." or ".."
  kTrailingDotOrSpace, // Windows drops it, so the file would get another name
  kDeviceName,         // CON, NUL, COM1, ... with or without an extension
};

struct TNameVerdict {
  TNameFault fault = TNameFault::kNone;
  char character = 0;  // kForbiddenCharacter, kControlCharacter, kTrailingDotOrSpace
  std::string part;    // the component at fault (Shift-JIS); kDeviceName: the device, upper case
};

TNameVerdict CheckRelativeName(std::string_view name);

// The verdict as a short English phrase for the tools' and the logs'
// messages ("\"?\" is not allowed in a name"); empty for kNone. Components
// are quoted as they are (Shift-JIS).
std::string DescribeNameFault(const TNameVerdict& verdict);

// The install folder typed by the user in normal form, or nothing when it is
// no fully qualified folder: "X:\..." or "\\server\share\...", "/" taken as
// "\", repeated delimiters collapsed, "." parts dropped and ".." parts
// resolved without climbing above the drive or share, no trailing delimiter
// (a drive root keeps its "X:\"). Components must pass the same rules as a
// relative name.
std::optional<std::string> NormalizeInstallFolder(std::string_view folder);
