// Earlier temporary copies of this program: each run that handed over left a
// copy in the temporary folder, which the system deletes at the next restart
// only when it was allowed to register that (administrator rights). Every
// start removes the ones that are done.
#pragma once

#include <string>
#include <vector>

struct TLeftoverCopies {
  std::vector<std::string> deleted;  // full names, each one really gone
  std::vector<std::string> failed;   // "NAME (the system's reason)"
};

// Deletes from temp_folder (with a trailing delimiter) the files that carry
// one of the temporary copies' names (temporary_program.h), are copies of this
// program (its version resource names the product and install.exe), are not
// running_program and are run by no process (no running program of the same
// file name at all). Nothing else is touched.
TLeftoverCopies RemoveLeftoverCopies(const std::string& temp_folder, const std::string& running_program);
