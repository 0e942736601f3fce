#include "common/json_writer.h"

#include <gtest/gtest.h>

#include <stdexcept>

using tools::JsonWriter;

TEST(JsonWriter, NestsContainersWithCommas) {
  JsonWriter w;
  w.BeginObject().Key("entries").BeginArray();
  for (int i = 0; i < 2; ++i) w.BeginObject().Member("name", "a").Member("size", int64_t{-5 + i}).EndObject();
  w.EndArray().Member("end", uint32_t{4294967295u}).Member("ok", true).Key("none").Null().Key("empty").BeginArray().EndArray();
  w.EndObject();
  EXPECT_TRUE(w.Complete());
  EXPECT_EQ(w.Text(),
            R"({"entries":[{"name":"a","size":-5},{"name":"a","size":-4}],"end":4294967295,"ok":true,"none":null,"empty":[]})");
}

TEST(JsonWriter, DrainKeepsTheNesting) {
  JsonWriter w;
  w.BeginArray().Int(1);
  std::string text = w.Drain();
  w.Int(2).EndArray();
  text += w.Drain();
  EXPECT_EQ(text, "[1,2]");
  EXPECT_TRUE(w.Complete());
}

TEST(JsonWriter, EscapesStrings) {
  struct Row {
    std::string in, out;
  } rows[] = {
      {"plain", "plain"},
      {"q\"b\\s/", "q\\\"b\\\\s/"},
      {"\n\r\t\b\f", "\\n\\r\\t\\b\\f"},
      {std::string("\x01\x1f\x00", 3), "\\u0001\\u001f\\u0000"},
      {u8"日本語\\ソ", u8"日本語\\\\ソ"},
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},  // a four-byte character stays
      // Not UTF-8: a Shift-JIS byte pair, a cut sequence, an overlong "/", a surrogate.
      {"\x83\x5C", "\xEF\xBF\xBD\\\\"},
      {"a\xE3\x81", "a\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.out);
    JsonWriter w;
    w.String(row.in);
    EXPECT_EQ(w.Text(), "\"" + row.out + "\"");
  }
}

TEST(JsonWriter, MisuseIsALogicError) {
  {
    JsonWriter w;
    w.BeginObject();
    EXPECT_THROW(w.Int(1), std::logic_error);  // a value where a name is due
    EXPECT_THROW(w.EndArray(), std::logic_error);
  }
  {
    JsonWriter w;
    w.Int(1);
    EXPECT_THROW(w.Int(2), std::logic_error);
    EXPECT_THROW(w.Key("x"), std::logic_error);
  }
  {
    JsonWriter w;
    w.BeginArray();
    EXPECT_FALSE(w.Complete());
    w.EndArray();
    EXPECT_TRUE(w.Complete());
    EXPECT_EQ(w.Take(), "[]");
    EXPECT_FALSE(w.Complete());
  }
}
