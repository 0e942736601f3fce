#include "install/medium_files_win.h"

#include <algorithm>
#include <utility>

#include "base/paths.h"
#include "os/files_win.h"

std::vector<TMediumFile> ListMediumLooseFiles(const std::string& source_folder, const TZefoInstallSet& settings) {
  std::vector<std::string> listed;
  ListFilesOptions o;
  o.attribute_mask = kFaReadOnly | kFaHidden | kFaSysFile | kFaVolumeId | kFaArchive;
  o.take_plain_files = true;
  o.recurse = true;
  ListFiles(source_folder, o, &listed);
  const size_t root = AddTrailingDelimiter(source_folder).size();
  std::vector<TMediumFile> files;
  for (std::string& path : listed) {
    std::string rel = path.substr(std::min(root, path.size()));
    if (settings.IsCopyFile(rel)) files.push_back({std::move(path), std::move(rel)});
  }
  return files;
}
