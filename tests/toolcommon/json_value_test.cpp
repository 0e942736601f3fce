#include "common/json_value.h"

#include <gtest/gtest.h>

using tools::Json;
using tools::JsonError;

TEST(JsonParse, ManyMembersAndTheirDuplicates) {
  // 100,000 members (each once compared with every earlier one before).
  std::string text = "{";
  for (int i = 0; i < 100000; ++i) text += (i ? ",\"k" : "\"k") + std::to_string(i) + "\":" + std::to_string(i);
  const Json doc = Json::Parse(text + "}");
  ASSERT_EQ(doc.AsMembers().size(), 100000u);
  EXPECT_EQ(doc.AsMembers()[99999].first, "k99999");
  EXPECT_EQ(doc.AsMembers()[99999].second.AsInteger(), 99999);
  try {
    Json::Parse(text + ",\"k5\":0}");
    ADD_FAILURE() << "a duplicate at the end was taken";
  } catch (const JsonError& e) {
    EXPECT_NE(std::string(e.what()).find("duplicate member \"k5\""), std::string::npos) << e.what();
  }
  // Members of different objects may share names.
  EXPECT_NO_THROW(Json::Parse(R"({"a":{"a":1},"b":{"a":2}})"));
}

TEST(JsonParse, StringsMustBeUtf8) {
  const struct {
    const char* text;
    bool ok;
  } cases[] = {
      {"\"a\xC3\xA9z\"", true},              // é
      {"\"\xE3\x81\x82\"", true},            // あ
      {"\"\xF0\x9F\x98\x80\"", true},        // U+1F600
      {"\"\xEF\xBF\xBD\"", true},            // U+FFFD itself
      {"\"\xE9\"", false},                   // a Latin-1 byte
      {"\"\x80\"", false},                   // a stray continuation byte
      {"\"\xC3\"", false},                   // cut before the quote
      {"\"\xE3\x81\"", false},               // cut
      {"\"\xC0\xAF\"", false},               // overlong "/"
      {"\"\xE0\x80\xAF\"", false},           // overlong
      {"\"\xED\xA0\x80\"", false},           // a surrogate
      {"\"\xF4\x90\x80\x80\"", false},       // beyond U+10FFFF
      {"\"\xF8\x88\x80\x80\x80\"", false},   // five bytes
      {"{\"\xE9\":1}", false},               // in a member name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
    if (c.ok) {
      const Json j = Json::Parse(c.text);
      EXPECT_EQ(Json::Parse(j.Dump()).Dump(), j.Dump());
    } else {
      try {
        Json::Parse(c.text);
        ADD_FAILURE() << "taken";
      } catch (const JsonError& e) {
        EXPECT_NE(std::string(e.what()).find("invalid UTF-8"), std::string::npos) << e.what();
      }
    }
  }
}

TEST(JsonParse, KeysThatOnceDumpedAlikeAreRejected) {
  // Two names that differ only in invalid bytes were both kept, and the dump
  // wrote both as U+FFFD: a document with a duplicate member.
  EXPECT_THROW(Json::Parse("{\"Disk\xE9s\":\"\",\"Disk\xED\xE9s\":[]}"), JsonError);
}
