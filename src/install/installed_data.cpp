#include "install/installed_data.h"

#include <algorithm>

#include "base/format.h"
#include "base/safe_names.h"
#include "base/sjis.h"
#include "install/destination.h"

namespace {

constexpr char kDataFile[] = "game.dat";

// "game.ext" or a volume "game.001" ... "game.999": the parts of the data
// file besides game.dat itself.
bool IsDataFilePart(const std::string& name) {
  if (name.size() != 8 || !sjis::EqualsNoCase(name.substr(0, 5), "game.")) return false;
  if (sjis::EqualsNoCase(name.substr(5), "ext")) return true;
  return std::all_of(name.begin() + 5, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool Lists(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return sjis::EqualsNoCase(n, name); });
}

}  // namespace

TInstalledDataDecision DecideInstalledData(const TInstallationReport& r, const std::string& title, bool builds_data,
                                           bool data_present) {
  using TSettings = TInstallationReport::TSettings;
  TInstalledDataDecision d;
  if (!builds_data || (!data_present && r.data_file.empty())) return d;
  d.verdict = TInstalledData::kRebuild;
  // A data file no record of this title vouches for may hold anything: it is
  // built anew rather than trusted.
  if (r.settings != TSettings::kLoaded || r.title != title || r.data_file.empty()) {
    d.caption = "データファイルの記録がないので、作りなおしています";
  } else if (Lists(r.missing, r.data_file)) {
    d.caption = "データファイルが見つからないので、作りなおしています";
  } else if (std::any_of(r.missing.begin(), r.missing.end(), [](const std::string& n) { return IsDataFilePart(n); })) {
    d.caption = "データファイルの一部が見つからないので、作りなおしています";
  } else if (!r.data_error.empty()) {
    d.caption = "データファイルが読み込めないので、作りなおしています";
  } else if (!r.damaged.empty()) {
    d.caption = "データファイルが壊れているので、作りなおしています";
  } else {
    d.verdict = TInstalledData::kKeep;
    for (const std::string& name : AddOnNamesOf(r.recorded)) {
      if (IsSafeRelativeName(name) && !Lists(r.missing, name)) d.add_on_names.push_back(name);
    }
  }
  return d;
}

bool AddOnNoticeWaitsForCheck(const std::vector<std::string>& recorded, bool builds_data) {
  return builds_data && Lists(recorded, kDataFile);
}

TAddOnNotice AddOnNoticeFor(const std::string& title, const std::string& target, const std::vector<std::string>& names) {
  if (names.empty()) return {};
  return {Format("このフォルダの %s には追加データがインストールされています（%d 個のファイル）。\r\n"
                 "インストールしなおすと追加データは使えなくなります。あとで追加データもインストールしなおしてください",
                 title.c_str(), static_cast<int>(names.size())),
          Format("the installation in %s has add-ons (%d files, such as %s): installing the base game "
                 "again drops them; install them again afterwards",
                 target.c_str(), static_cast<int>(names.size()), names[0].c_str())};
}
