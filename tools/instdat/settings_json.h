// The settings as JSON: every field of the settings class under its own name,
// strings in UTF-8 (converted from and to code page 932), byte fields and
// sizes as integers, the per-disk sizes and both lists as arrays.
#pragma once

#include "common/json_value.h"
#include "settings/install_set.h"

tools::Json SettingsToJson(const TZefoInstallSet& settings);
// Throws JsonError naming the field that is missing its type, out of range,
// unknown, or not writable in code page 932. Fields left out keep their
// defaults; DiskCount defaults to the length of the per-disk arrays.
TZefoInstallSet SettingsFromJson(const tools::Json& doc);

// A complete example: disc 1 of a two-disc package whose files all come
// from its archives (FromArchive 1), with a launcher picture; the worked
// example of the packaging guide.
TZefoInstallSet TemplateSettings();
