#include "install/medium_files_win.h"

#include <algorithm>
#include <utility>

#include "base/paths.h"
#include "os/files_win.h"

std::vector<TMediumFile> ListMediumLooseFiles(const std::string& source_folder, const TZefoInstallSet& settings) {
  std::vector<std::string> listed;
  std::vector<int64_t> sizes;
  ListFilesOptions o;
  o.attribute_mask = kFaReadOnly | kFaHidden | kFaSysFile | kFaVolumeId | kFaArchive;
  o.take_plain_files = true;
  o.recurse = true;
  ListFiles(source_folder, o, &listed, &sizes);
  const size_t root = AddTrailingDelimiter(source_folder).size();
  std::vector<TMediumFile> files;
  for (size_t i = 0; i < listed.size(); ++i) {
    std::string rel = listed[i].substr(std::min(root, listed[i].size()));
    if (settings.IsCopyFile(rel)) files.push_back({std::move(listed[i]), std::move(rel), sizes[i]});
  }
  return files;
}
