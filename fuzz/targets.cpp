#include "targets.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include <zlib.h>

#include "archive/vrfiles.h"
#include "base/fs.h"
#include "base/stream.h"
#include "common/json_value.h"
#include "galetool/png.h"
#include "imaging/gales.h"
#include "base/encoding.h"
#include "base/endian.h"
#include "base/file_name_compare.h"
#include "base/safe_names.h"
#include "settings/install_set.h"
#include "settings/package_rules.h"
#include "settings/registry_key_rule.h"
#include "base/sjis.h"
#include "install/delete_rules.h"
#include "install/uninstall_plan.h"
#include "settings_json.h"

namespace zifuzz {
namespace {

std::string g_scratch;
volatile uint32_t g_sink;  // keeps the pixel reads
int64_t g_gale_budget = kMaxGaleSurfaceBytes;

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  TFileStream f(path, kFmCreate);
  f.WriteBuffer(data, static_cast<int64_t>(size));
}

// A reader broke its own contract: the fuzzer reports the uncaught exception.
[[noreturn]] void Finding(const char* what) { throw std::logic_error(what); }

}  // namespace

void SetScratchFolder(const std::string& folder) { g_scratch = folder; }
void SetGaleBudget(int64_t bytes) { g_gale_budget = bytes; }

void Settings(const uint8_t* data, size_t size) {
  TMemoryStream m;
  m.WriteBuffer(data, static_cast<int64_t>(size));
  m.SetPosition(0);
  TZefoInstallSet set;
  try {
    set.LoadFromStream(m);
  } catch (const EInstallSetError&) {
    return;
  }
  // What was read writes back and reads again to the same fields.
  TMemoryStream again;
  set.SaveToStream(again);
  again.SetPosition(0);
  TZefoInstallSet copy;
  copy.LoadFromStream(again);
  if (copy.Title != set.Title || copy.CopyFiles != set.CopyFiles || copy.DiskDataSize != set.DiskDataSize)
    Finding("settings read back differ from the settings written");
}

void Archive(const uint8_t* data, size_t size) {
  if (size < 1) return;
  const int mode = data[0] % 3;
  ++data;
  --size;
  std::string name;
  fs::EraseFile(g_scratch + "fuzz.ext");
  if (mode == 0) {
    name = g_scratch + "fuzz.dat";
    WriteFile(name, data, size);
  } else if (mode == 1) {
    if (size < 4) return;
    const size_t rest = size - 4;
    const size_t split = rest == 0 ? 0 : le::Load32(data) % (rest + 1);
    name = g_scratch + "fuzz.dat";
    WriteFile(g_scratch + "fuzz.ext", data + 4, split);
    WriteFile(name, data + 4 + split, rest - split);
  } else {
    name = g_scratch + "fuzz.exe";
    WriteFile(name, data, size);
  }
  TVrFileCollection archive;
  try {
    archive.Open(name);
  } catch (const EFormatError&) {
    return;
  } catch (const EStreamError&) {
    return;
  }
  // Entries only: loose files beside the archive are not what is tested.
  archive.SetLooseFolder("");
  for (int32_t i = 0; i < archive.Count(); ++i) {
    const std::string entry = archive.Files(i).Name();
    TMemoryStream m;
    try {
      archive.ReadEntry(m, entry);
    } catch (const EError&) {
      // Damaged bytes, a name that is superseded or missing: all clean errors.
    }
  }
  int32_t failed = -1;
  archive.Verify(&failed);
}

void Gale(const uint8_t* data, size_t size) {
  TMemoryStream m;
  m.WriteBuffer(data, static_cast<int64_t>(size));
  for (const bool first : {false, true}) {
    m.SetPosition(0);
    TGaleFrameList list(first ? 0 : kGaleKey);
    list.MaxSurfaceBytes = g_gale_budget;
    try {
      list.LoadFromStream(m, first);
    } catch (const EFormatError&) {
      continue;
    }
    // Every composed frame is read through, a sample of its pixels.
    uint32_t sum = 0;
    for (int f = 0; f < list.Count(); ++f) {
      const TDIBSurface& s = list.Frames(f).Surface;
      for (int y = 0; y < s.Height(); y += 1 + s.Height() / 64)
        for (int x = 0; x < s.Width(); x += 1 + s.Width() / 64) sum += s.Pixel(x, y);
    }
    g_sink = sum;
  }
}

// The input with every whole chunk's CRC made right: otherwise nearly every
// mutation ends at the first checksum and the fuzzer never reaches the rest.
// A signature byte of 0xFF keeps the CRCs as they are, so that a bad one can
// still be tried.
std::string WithChunkCrcs(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (size > 0 && data[0] == 0xFF) {
    bytes[0] = static_cast<char>(0x89);
    return bytes;
  }
  size_t pos = 8;
  while (pos + 12 <= bytes.size()) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data()) + pos;
    const uint32_t length = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    if (length > bytes.size() - pos - 12) break;
    const uint32_t crc = static_cast<uint32_t>(crc32(0, p + 4, static_cast<uInt>(length) + 4));
    for (int k = 0; k < 4; ++k) bytes[pos + 8 + length + k] = static_cast<char>(crc >> (24 - 8 * k));
    pos += 12 + length;
  }
  return bytes;
}

void Png(const uint8_t* data, size_t size) {
  try {
    const TPngImage image = ReadPng(WithChunkCrcs(data, size));
    const size_t expected = static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height) *
                            static_cast<size_t>(image.Channels);
    if (image.Pixels.size() != expected) Finding("PNG pixels do not match the size");
  } catch (const EPngError&) {
  }
}

void JsonSettings(const uint8_t* data, size_t size) {
  tools::Json doc;
  try {
    doc = tools::Json::Parse(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const tools::JsonError&) {
    return;
  }
  // A parsed document dumps to text that parses again to the same dump.
  const std::string dump = doc.Dump();
  if (tools::Json::Parse(dump).Dump() != dump) Finding("a JSON dump does not read back to itself");
  try {
    const TZefoInstallSet set = SettingsFromJson(doc);
    SettingsToJson(set).Dump();
  } catch (const tools::JsonError&) {
  }
}

namespace {

// Draws the facts of a snapshot from the fuzzer's bytes: each choice takes
// one byte (0 once they run out).
class Facts {
 public:
  Facts(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Next() { return pos_ < size_ ? data_[pos_++] : 0; }
  template <typename T, size_t N>
  const T& Pick(const T (&choices)[N]) { return choices[Next() % N]; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

const std::u16string kInstall = u"C:\\Games\\Demo";
const std::u16string kPrograms = u"C:\\users\\me\\Start Menu\\Programs";

}  // namespace

void Uninstall(const uint8_t* data, size_t size) {
  // The first two bytes say how many of the rest are the settings file; the
  // remainder draws the system's answers.
  if (size < 2) return;
  const size_t settings_size = std::min<size_t>(size - 2, data[0] | (data[1] << 8));
  TMemoryStream m;
  m.WriteBuffer(data + 2, static_cast<int64_t>(settings_size));
  m.SetPosition(0);
  TZefoInstallSet s;
  try {
    s.LoadFromStream(m);
  } catch (const EInstallSetError&) {
    return;
  }
  Facts facts(data + 2 + settings_size, size - 2 - settings_size);
  static const std::u16string kFinals[] = {kInstall, u"C:\\GAMES\\demo\\", u"C:\\windows\\system32", u"C:\\users\\me",
                                           u"", u"C:\\", u"\\\\server\\share", u"C:\\Games\\Ｄemo"};
  static const char* const kGiven[] = {"C:\\Games\\Demo\\", "C:\\GAMES~1\\Demo", "relative", "C:\\", "C:\\Games\\..\\"};
  TUninstallSnapshot snap;
  snap.install_final = facts.Pick(kFinals);
  snap.install_is_link = facts.Next() & 1;
  snap.windows_folder = u"C:\\windows";
  snap.kept_folders = {u"C:\\Program Files", u"C:\\users\\me"};
  snap.programs_folder = kPrograms;
  snap.shell_folders = {kPrograms + u"\\StartUp"};
  const bool save = facts.Next() & 1;
  for (const std::string& name : UninstallCandidates(s, save)) {
    const uint8_t how = facts.Next();
    TFileFacts f;
    f.exists = how & 1;
    f.folder = how & 2;
    f.link_on_way = how & 4;
    f.open_error = (how & 8) ? 32 : 0;
    static const std::u16string kWhere[] = {u"", u"C:\\outside\\victim.txt", u"C:\\Games\\Demo2\\x", u"C:\\Games\\Demo"};
    f.final_path = (how & 16) ? facts.Pick(kWhere) : kInstall + u"\\" + enc::SjisToUtf16(name);
    snap.files[name] = f;
  }
  snap.group_exists = facts.Next() & 1;
  snap.group_is_link = facts.Next() & 1;
  static const std::u16string kGroups[] = {u"", kPrograms + u"\\StartUp", kPrograms, u"C:\\elsewhere"};
  const uint8_t group = facts.Next();
  snap.group_final = (group & 1) ? kPrograms + u"\\" + enc::SjisToUtf16(s.Title) : facts.Pick(kGroups);
  for (int n = facts.Next() % 5; n > 0; --n) {
    static const std::u16string kTargets[] = {kInstall + u"\\game.exe", u"D:\\Other\\x.exe", u"", kInstall};
    const std::u16string name = (facts.Next() & 1) ? enc::SjisToUtf16(s.Title) + u".lnk" : u"Other.lnk";
    snap.group_items.push_back({name, static_cast<bool>(facts.Next() & 1), facts.Pick(kTargets)});
  }
  static const std::optional<std::string> kValues[] = {std::nullopt, std::string("C:\\Games\\Demo\\"),
                                                       std::string("D:\\Second\\"), std::string("c:\\games\\demo")};
  snap.install_path = facts.Pick(kValues);
  snap.cd_drive = facts.Next() & 1;
  snap.entry_location = facts.Pick(kValues);
  // The system's reading of names: the group the shell would act on for the
  // title's command (it trims blanks, even quoted), through a link or a short
  // name to its final folder; the running programs' images.
  const std::u16string own_group = kPrograms + u"\\" + enc::SjisToUtf16(s.Title);
  const auto final_of = [&](const std::u16string& folder) -> std::u16string {
    static const std::u16string kLinked[] = {kPrograms + u"\\StartUp", u"C:\\elsewhere", u""};
    if (facts.Next() & 1) return facts.Pick(kLinked);  // a link or a short name leading elsewhere
    return SameFileName(folder, own_group) ? snap.group_final : folder;
  };
  const std::optional<std::string> command = DeleteGroupCommand(s.Title);
  const std::optional<std::string> read = command ? GroupTheShellReads(*command) : std::nullopt;
  const std::u16string shell_group = read ? kPrograms + u"\\" + enc::SjisToUtf16(*read) : u"";
  if (read) snap.shell_group_final = final_of(shell_group);
  static const std::u16string kImages[] = {kInstall + u"\\install.exe", kInstall + u"\\game.exe",
                                           u"C:\\users\\me\\Temp\\~zinstall.exe", u"C:\\GAMES\\DEMO\\INSTALL.EXE"};
  for (int n = facts.Next() % 3; n > 0; --n) snap.running_images.push_back(facts.Pick(kImages));

  const TUninstallPlan plan = PlanUninstall(s, kGiven[facts.Next() % 5], save, snap);
  plan.Describe();
  if (plan.refused) return;
  // Every action stays inside the folder, the group and the product's key.
  if (snap.install_final.empty() || snap.install_is_link) Finding("a folder that cannot be examined was planned for");
  bool settings_stay = false;
  for (const TPlannedFile& f : plan.files) {
    if (sjis::EqualsNoCase(f.name, "install.dat"))
      settings_stay = f.verdict != TFileVerdict::kDelete && f.verdict != TFileVerdict::kMissing;
    else if (sjis::EqualsNoCase(f.name, "install.exe") && settings_stay &&
             (f.verdict == TFileVerdict::kDelete || f.verdict == TFileVerdict::kRunning))
      Finding("the uninstaller was planned to go while its settings file stays");
    if (f.verdict != TFileVerdict::kDelete) continue;
    for (const std::u16string& image : snap.running_images)
      if (SameFileName(image, f.expected_final)) Finding("a running program's image was planned for deletion");
    const auto it = snap.files.find(f.name);
    if (!IsSafeRelativeName(f.name) || it == snap.files.end()) Finding("a name that failed the check was planned");
    if (it->second.link_on_way || it->second.folder || !it->second.exists) Finding("a file through a link was planned");
    if (!IsInsideFolder(f.expected_final, snap.install_final) || !SameFileName(f.expected_final, it->second.final_path))
      Finding("a file outside the install folder was planned");
  }
  if (!plan.group.own_links.empty() || plan.group.mode == TGroupPlan::TMode::kWholeGroup) {
    // A title from before the name rule may lose its own shortcuts, never the group by command.
    if (snap.group_is_link || !IsSingleFolderName(s.Title) ||
        (plan.group.mode == TGroupPlan::TMode::kWholeGroup && !IsOwnGroupName(s.Title)))
      Finding("a group that is no group of its own was planned");
    if (!SameFileName(plan.group.folder, kPrograms + u"\\" + enc::SjisToUtf16(s.Title)))
      Finding("a group folder other than Programs\\Title was planned");
    for (const std::u16string& link : plan.group.own_links)
      if (!IsInsideFolder(link, plan.group.folder)) Finding("a shortcut outside the group was planned");
  }
  if (plan.group.mode == TGroupPlan::TMode::kWholeGroup && IsSameOrAbove(plan.group.folder, kPrograms + u"\\StartUp"))
    Finding("a folder of the system's was planned as a group");
  if (plan.group.mode == TGroupPlan::TMode::kWholeGroup) {
    const std::optional<std::string> acted = GroupTheShellReads(plan.group.command);
    if (!acted || !read || *acted != *read || snap.shell_group_final.empty() ||
        !SameFileName(WithoutTrailingDelimiters(snap.shell_group_final), WithoutTrailingDelimiters(plan.group.folder)) ||
        !SameFileName(WithoutTrailingDelimiters(plan.group.folder), own_group))
      Finding("the group the shell would act on is not the installation's own");
  }
  // The records go after the registry records and the entry that name them.
  const auto at = [&](TUninstallStep step) {
    return std::find(plan.steps.begin(), plan.steps.end(), step) - plan.steps.begin();
  };
  if (at(TUninstallStep::kRecords) < at(TUninstallStep::kEntry) || at(TUninstallStep::kRecords) < at(TUninstallStep::kRegistry) ||
      at(TUninstallStep::kClaimRecords) > at(TUninstallStep::kRegistry))
    Finding("the records were planned to go before what names them");
  const TRegistryPlan& r = plan.registry;
  if (!r.key_path.empty()) {
    if (OwnedRegistryKeyPath(s.RegistryKey) != r.key_path) Finding("a key the product does not own was planned");
    if (r.delete_key && r.key_path.find('\\') == std::string::npos) Finding("a one-level key was planned whole");
    if (snap.install_path && snap.install_path->rfind("D:", 0) == 0)
      Finding("a key whose InstallPath names another folder was planned");
  }
  if (plan.delete_entry && snap.entry_location && snap.entry_location->rfind("D:", 0) == 0)
    Finding("another folder's installed-programs entry was planned");
}

bool RunTarget(const std::string& name, const uint8_t* data, size_t size) {
  if (name == "settings") Settings(data, size);
  else if (name == "uninstall") Uninstall(data, size);
  else if (name == "archive") Archive(data, size);
  else if (name == "gale") Gale(data, size);
  else if (name == "png") Png(data, size);
  else if (name == "json") JsonSettings(data, size);
  else return false;
  return true;
}

}  // namespace zifuzz
