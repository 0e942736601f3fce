// The uninstaller's rules about where it may delete, without the file system:
// which install folders it refuses and which recorded names it takes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The install folder in normal form (NormalizeInstallFolder: no trailing
// delimiter) when the uninstaller may work below it; nothing when it is no
// fully qualified folder, a drive root or a share root ("\\server\share"),
// the Windows folder, a folder inside it or above it, or one of kept_folders
// (the Program Files folder, the user's profile, desktop, documents ...) or
// a folder above one of them. Folders are compared with ASCII letters folded;
// empty entries and entries that are no fully qualified folder are ignored.
std::optional<std::string> DeletableInstallFolder(std::string_view folder, std::string_view windows_folder,
                                                  const std::vector<std::string>& kept_folders);

// The same rule on names the file system gives (UTF-16, compared as the file
// system compares them): folder is a full path ("C:\...", "\\server\share\..."),
// a trailing delimiter optional; empty kept entries are ignored.
bool IsRemovableInstallFolder(std::u16string_view folder, std::u16string_view windows_folder,
                              const std::vector<std::u16string>& kept_folders);

// The message shown when the uninstaller refuses the folder.
std::string RefusedFolderText(const std::string& folder);

// The Program Manager command that deletes the group named title, always
// quoted: "[DeleteGroup("title")]", so that none of "[](),", which would
// otherwise end the command or start another one ("x)][DeleteGroup(Other"
// deletes a second group), is read as syntax. Nothing when the title holds a
// double quote or a control character, which no quoting carries, or a blank
// at either end, which the service trims (" StartUp" would delete StartUp).
std::optional<std::string> DeleteGroupCommand(std::string_view title);

// The group a Program Manager service acts on for a DeleteGroup command, read
// as the least careful service reads it: the argument up to the closing
// quote, or unquoted up to the first ")" or ",", blanks (also the ideographic
// one) trimmed at both ends even inside quotes. Nothing when the text is no
// DeleteGroup command.
std::optional<std::string> GroupTheShellReads(std::string_view command);
