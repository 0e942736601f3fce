// Which keys below HKEY_CURRENT_USER\Software an installation may write and
// delete. RegistryKey comes from a settings file, which can be damaged or
// tampered with; a key such as "\" or "Microsoft" would make the uninstaller
// remove settings that belong to the system or to every other program.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The key path below Software that RegistryKey names ("Company\Product"),
// with one leading and one trailing delimiter dropped, or nothing when the
// product cannot own it: empty, an empty, "." or ".." part, a part with a
// control character, or a first part that belongs to the system (Microsoft,
// Classes, Policies, Wow6432Node, Wine, Clients, RegisteredApplications,
// AppDataLow; ASCII letters compared without case). Only single-byte "\"
// delimits; a trail byte 0x5C stays inside its part.
std::optional<std::string> OwnedRegistryKeyPath(std::string_view registry_key);
