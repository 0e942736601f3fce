// The loose files of a medium that its package names for copying: what an
// install copies from it, and what the destination page expects it to put
// in place. One listing rule for both, so that they never disagree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/install_set.h"

struct TMediumFile {
  std::string path;  // the medium's folder and the name below it
  std::string rel;   // the name below the medium's folder
  int64_t size = 0;  // as the medium's listing gives it
};

// The files below source_folder (every attribute, read-only, hidden and
// system included; links listed but never entered), in listing order, that
// settings names as files to copy.
std::vector<TMediumFile> ListMediumLooseFiles(const std::string& source_folder, const TZefoInstallSet& settings);
