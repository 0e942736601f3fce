#include "settings_json.h"

#include <gtest/gtest.h>

using tools::Json;
using tools::JsonError;

namespace {

std::string Saved(const TZefoInstallSet& s) {
  TMemoryStream m;
  s.SaveToStream(m);
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize()));
}

}  // namespace

TEST(SettingsJson, DumpsEveryFieldInUtf8) {
  TZefoInstallSet s;
  s.Title = "ゲーム";
  s.RegistryKey = "会社\\ソフト";  // ソ ends in 0x5C
  s.SetDiskCount(2);
  s.DiskDataSize[1] = int64_t{3} << 32;
  s.ImageSeed = 0xFFFFFFFFu;
  s.InstalledFiles = {"表.dat"};
  const std::string json = SettingsToJson(s).Dump();
  EXPECT_NE(json.find(u8"\"Title\":\"ゲーム\""), std::string::npos) << json;
  EXPECT_NE(json.find(u8"\"RegistryKey\":\"会社\\\\ソフト\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"DiskDataSize\":[0,12884901888]"), std::string::npos) << json;
  EXPECT_NE(json.find("\"ImageSeed\":4294967295"), std::string::npos) << json;
  EXPECT_NE(json.find(u8"\"InstalledFiles\":[\"表.dat\"]"), std::string::npos) << json;
  EXPECT_EQ(json.rfind("{\"DiskCount\":2,", 0), 0u) << json;
}

TEST(SettingsJson, RoundTripsThroughJson) {
  TZefoInstallSet s;
  s.Title = "タイトル";
  s.FooterText = "(C) 2026";
  s.SetDiskCount(3);
  s.DiskProgramSize = {1, 2, 3};
  s.DiskMovieSize[2] = -1;
  s.MovieSize = int64_t{1} << 40;
  s.SpareFlag = 200;
  s.CopyFiles = {"", "bgm\\a.ogg"};
  s.SetupCaption = "見出し";
  const TZefoInstallSet t = SettingsFromJson(Json::Parse(SettingsToJson(s).Dump()));
  EXPECT_EQ(Saved(t), Saved(s));
}

TEST(SettingsJson, DiskCountDefaultsToTheArrays) {
  const TZefoInstallSet s = SettingsFromJson(Json::Parse(R"({"DiskDataSize":[5,6],"Title":"x","OpenReadme":true})"));
  EXPECT_EQ(s.DiskCount, 2);
  EXPECT_EQ(s.DiskDataSize[1], 6);
  EXPECT_EQ(s.DiskProgramSize[1], 0);
  EXPECT_EQ(s.OpenReadme, 1);
}

TEST(SettingsJson, BadDocumentsNameTheField) {
  struct Case {
    const char* json;
    const char* fragment;
  } cases[] = {
      {R"({"Colour":1})", "Colour"},
      {R"({"BackgroundMode":256})", "BackgroundMode"},
      {R"({"DiskCount":2,"DiskDataSize":[1]})", "DiskDataSize"},
      {R"({"Title":5})", "Title"},
      {"{\"Title\":\"\xF0\x9F\x98\x80\"}", "Title"},  // no code page 932 form
      {R"({"Title":"a")", "line 1"},
      {R"([1,2])", "object"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    try {
      SettingsFromJson(Json::Parse(c.json));
      ADD_FAILURE() << "accepted";
    } catch (const JsonError& e) {
      EXPECT_NE(std::string(e.what()).find(c.fragment), std::string::npos) << e.what();
    }
  }
}
