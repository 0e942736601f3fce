#include "install/disc_lookup.h"

#include <utility>

#include "base/errors.h"
#include "base/fs.h"
#include "base/sjis.h"
#include "settings/package_rules.h"

namespace {
constexpr char kSettingsFile[] = "install.dat";
}  // namespace

TDiscHolds JudgeDisc(const TZefoInstallSet& current, int index, const TZefoInstallSet& read) {
  if (!IsDiscOfSamePackage(current, read) || InstallRefusal(read)) return TDiscHolds::kOtherPackage;
  return read.DiskIndex == index ? TDiscHolds::kAskedDisc : TDiscHolds::kOtherDisc;
}

TDiscSearch FindDisc(const TZefoInstallSet& current, int index, const std::vector<TDiscPlace>& places) {
  TDiscSearch search;
  for (const TDiscPlace& place : places) {
    // The medium's drive is also one of the drives: looked at once.
    bool seen = false;
    for (const TDiscLook& earlier : search.looked) seen = seen || sjis::EqualsNoCase(earlier.folder, place.folder);
    if (seen) continue;
    TDiscLook look{place.folder, TDiscHolds::kUnreadable, {}};
    if (place.readable) {
      const std::string file = place.folder + kSettingsFile;
      if (!fs::FileExists(file)) {
        look.holds = TDiscHolds::kNothing;
      } else {
        // Read into a settings object of its own: a damaged file leaves
        // nothing half-loaded behind.
        TZefoInstallSet read;
        try {
          read.LoadFromFile(file);
          look.holds = JudgeDisc(current, index, read);
        } catch (const EError& e) {
          look.holds = TDiscHolds::kDamaged;
          look.problem = e.what();
        }
        if (look.holds == TDiscHolds::kAskedDisc) search.found = std::move(read);
      }
    }
    search.looked.push_back(std::move(look));
    if (search.found) break;
  }
  return search;
}
