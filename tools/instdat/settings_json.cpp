#include "settings_json.h"

#include <cstdint>

#include "base/encoding.h"

using tools::Json;
using tools::JsonError;

namespace {

std::string Utf8(const std::string& sjis) { return enc::SjisToUtf8(sjis); }

std::string Sjis(const std::string& field, const Json& value) {
  bool lossless = true;
  std::string s = enc::Utf8ToSjis(value.AsString(), &lossless);
  if (!lossless) throw JsonError(field + ": text cannot be written in code page 932");
  return s;
}

Json Strings(const std::vector<std::string>& list) {
  Json a = Json::Array();
  for (const auto& s : list) a.Push(Json::String(Utf8(s)));
  return a;
}

Json Sizes(const std::vector<int64_t>& list) {
  Json a = Json::Array();
  for (int64_t v : list) a.Push(Json::Integer(v));
  return a;
}

int64_t Ranged(const std::string& field, const Json& v, int64_t lo, int64_t hi) {
  int64_t n;
  if (v.type() == Json::Type::kBool) n = v.AsBool() ? 1 : 0;
  else n = v.AsInteger();
  if (n < lo || n > hi) throw JsonError(field + ": " + std::to_string(n) + " is out of range");
  return n;
}

}  // namespace

// Field order follows the declaration of the settings class.
Json SettingsToJson(const TZefoInstallSet& s) {
  Json o = Json::Object();
  o.Add("DiskCount", Json::Integer(s.DiskCount));
  o.Add("InstalledFiles", Strings(s.InstalledFiles));
  o.Add("SetupCaption", Json::String(Utf8(s.SetupCaption)));
  o.Add("DiskIndex", Json::Integer(s.DiskIndex));
  o.Add("Title", Json::String(Utf8(s.Title)));
  o.Add("FooterText", Json::String(Utf8(s.FooterText)));
  o.Add("DefaultDir", Json::String(Utf8(s.DefaultDir)));
  o.Add("ReadmeFile", Json::String(Utf8(s.ReadmeFile)));
  o.Add("InstallKind", Json::Integer(static_cast<uint8_t>(s.InstallKind)));
  o.Add("OpenReadme", Json::Integer(s.OpenReadme));
  o.Add("BackgroundImage", Json::String(Utf8(s.BackgroundImage)));
  o.Add("BackgroundMode", Json::Integer(s.BackgroundMode));
  o.Add("GameExe", Json::String(Utf8(s.GameExe)));
  o.Add("ImageSeed", Json::Integer(s.ImageSeed));
  o.Add("OfferRuntimes", Json::Integer(s.OfferRuntimes));
  o.Add("SpareFlag", Json::Integer(s.SpareFlag));
  o.Add("MediaName", Json::String(Utf8(s.MediaName)));
  o.Add("RegistryKey", Json::String(Utf8(s.RegistryKey)));
  o.Add("DiskProgramSize", Sizes(s.DiskProgramSize));
  o.Add("DiskDataSize", Sizes(s.DiskDataSize));
  o.Add("DiskSoundSize", Sizes(s.DiskSoundSize));
  o.Add("DiskMovieSize", Sizes(s.DiskMovieSize));
  o.Add("ProgramSize", Json::Integer(s.ProgramSize));
  o.Add("DataSize", Json::Integer(s.DataSize));
  o.Add("SoundSize", Json::Integer(s.SoundSize));
  o.Add("MovieSize", Json::Integer(s.MovieSize));
  o.Add("UninstallMode", Json::Integer(s.UninstallMode));
  o.Add("AddOn", Json::Integer(s.AddOn));
  o.Add("DataInstalled", Json::Integer(s.DataInstalled));
  o.Add("FromArchive", Json::Integer(s.FromArchive));
  o.Add("CopyFiles", Strings(s.CopyFiles));
  return o;
}

TZefoInstallSet SettingsFromJson(const Json& doc) {
  TZefoInstallSet s;
  const Json::Members& members = doc.AsMembers();
  const Json* disk_count = nullptr;
  for (const auto& [k, v] : members)
    if (k == "DiskCount") disk_count = &v;
  // Without an explicit DiskCount, the per-disk arrays say how many disks there are.
  int64_t disks = -1;
  if (disk_count) disks = Ranged("DiskCount", *disk_count, 0, 100000);
  for (const auto& [k, v] : members) {
    if (disks < 0 && (k == "DiskProgramSize" || k == "DiskDataSize" || k == "DiskSoundSize" || k == "DiskMovieSize"))
      disks = static_cast<int64_t>(v.Items().size());
  }
  s.SetDiskCount(static_cast<int32_t>(disks < 0 ? 0 : disks));

  auto byte = [](const std::string& k, const Json& v) { return static_cast<uint8_t>(Ranged(k, v, 0, 255)); };
  auto list = [](const std::string& k, const Json& v) {
    std::vector<std::string> out;
    for (const Json& item : v.Items()) out.push_back(Sjis(k, item));
    return out;
  };
  auto sizes = [&s](const std::string& k, const Json& v, std::vector<int64_t>& out) {
    const auto& items = v.Items();
    if (static_cast<int64_t>(items.size()) != s.DiskCount)
      throw JsonError(k + ": " + std::to_string(items.size()) + " values for " + std::to_string(s.DiskCount) + " disks");
    for (size_t i = 0; i < items.size(); ++i) out[i] = items[i].AsInteger();
  };
  for (const auto& [k, v] : members) {
    try {
      if (k == "DiskCount") continue;
      else if (k == "InstalledFiles") s.InstalledFiles = list(k, v);
      else if (k == "SetupCaption") s.SetupCaption = Sjis(k, v);
      else if (k == "DiskIndex") s.DiskIndex = static_cast<int32_t>(Ranged(k, v, INT32_MIN, INT32_MAX));
      else if (k == "Title") s.Title = Sjis(k, v);
      else if (k == "FooterText") s.FooterText = Sjis(k, v);
      else if (k == "DefaultDir") s.DefaultDir = Sjis(k, v);
      else if (k == "ReadmeFile") s.ReadmeFile = Sjis(k, v);
      else if (k == "InstallKind") s.InstallKind = static_cast<TInstallKind>(byte(k, v));
      else if (k == "OpenReadme") s.OpenReadme = byte(k, v);
      else if (k == "BackgroundImage") s.BackgroundImage = Sjis(k, v);
      else if (k == "BackgroundMode") s.BackgroundMode = byte(k, v);
      else if (k == "GameExe") s.GameExe = Sjis(k, v);
      else if (k == "ImageSeed") s.ImageSeed = static_cast<uint32_t>(Ranged(k, v, INT32_MIN, UINT32_MAX));
      else if (k == "OfferRuntimes") s.OfferRuntimes = byte(k, v);
      else if (k == "SpareFlag") s.SpareFlag = byte(k, v);
      else if (k == "MediaName") s.MediaName = Sjis(k, v);
      else if (k == "RegistryKey") s.RegistryKey = Sjis(k, v);
      else if (k == "DiskProgramSize") sizes(k, v, s.DiskProgramSize);
      else if (k == "DiskDataSize") sizes(k, v, s.DiskDataSize);
      else if (k == "DiskSoundSize") sizes(k, v, s.DiskSoundSize);
      else if (k == "DiskMovieSize") sizes(k, v, s.DiskMovieSize);
      else if (k == "ProgramSize") s.ProgramSize = v.AsInteger();
      else if (k == "DataSize") s.DataSize = v.AsInteger();
      else if (k == "SoundSize") s.SoundSize = v.AsInteger();
      else if (k == "MovieSize") s.MovieSize = v.AsInteger();
      else if (k == "UninstallMode") s.UninstallMode = byte(k, v);
      else if (k == "AddOn") s.AddOn = byte(k, v);
      else if (k == "DataInstalled") s.DataInstalled = byte(k, v);
      else if (k == "FromArchive") s.FromArchive = byte(k, v);
      else if (k == "CopyFiles") s.CopyFiles = list(k, v);
      else throw JsonError("unknown field");
    } catch (const JsonError& e) {
      const std::string what = e.what();
      throw JsonError(what.rfind(k, 0) == 0 ? what : k + ": " + what);
    }
  }
  return s;
}


TZefoInstallSet TemplateSettings() {
  TZefoInstallSet s;
  s.SetDiskCount(2);
  s.DiskIndex = 0;
  s.Title = "デモゲーム";
  s.SetupCaption = "";
  s.FooterText = "(C) 2026 Demo Soft";
  s.DefaultDir = "<ProgramFiles>\\DemoSoft\\デモゲーム";
  s.ReadmeFile = "readme.txt";
  s.InstallKind = TInstallKind::kStandard;
  s.OpenReadme = 1;
  s.BackgroundImage = "launcher.gale";
  s.BackgroundMode = 0;
  s.GameExe = "demo.exe";
  s.ImageSeed = 20261208;
  s.OfferRuntimes = 0;
  s.SpareFlag = 0;
  s.MediaName = "ディスク";
  s.RegistryKey = "DemoSoft\\DemoGame";
  s.DiskProgramSize = {65536, 0};
  s.DiskDataSize = {1048576, 2097152};
  s.DiskSoundSize = {0, 524288};
  s.DiskMovieSize = {0, 0};
  s.ProgramSize = 65536;
  s.DataSize = 3145728;
  s.SoundSize = 524288;
  s.MovieSize = 0;
  s.FromArchive = 1;
  return s;
}
