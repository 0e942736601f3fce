// A small streaming JSON writer for the tools' machine-readable output.
//
// Values are appended in order; commas and colons are placed automatically.
// Strings are UTF-8: every byte sequence that is not valid UTF-8 is written
// as U+FFFD, so the output is always valid JSON whatever the input. Misuse
// (a value where a key is due, closing the wrong container) throws
// std::logic_error: it is a bug in the calling tool, not a user error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace tools {

class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // Inside an object: the name of the next member.
  JsonWriter& Key(std::string_view utf8);

  JsonWriter& String(std::string_view utf8);
  JsonWriter& Int(int64_t value);
  JsonWriter& UInt(uint64_t value);
  JsonWriter& Number(double value);  // shortest form that reads back the same
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  // Key(name) followed by the value.
  template <typename T>
  JsonWriter& Member(std::string_view name, T value);

  // True once one complete top-level value has been written.
  bool Complete() const { return stack_.empty() && wrote_top_; }
  // The text so far; Take() hands it over and leaves the writer empty.
  const std::string& Text() const { return out_; }
  std::string Take();
  // Hands over the text so far but keeps writing where it was, for output
  // that is passed on in pieces.
  std::string Drain();

 private:
  enum class Frame : uint8_t { kObjectKey, kObjectValue, kArray };
  void BeforeValue();
  void Open(char c, Frame frame);
  void Close(char c, bool object);
  void Quoted(std::string_view utf8);

  std::string out_;
  std::vector<Frame> stack_;
  std::vector<bool> first_;  // per open container: no element written yet
  bool wrote_top_ = false;
};

// Appends s to out as JSON string content (no quotes), escaping as needed.
void AppendJsonEscaped(std::string* out, std::string_view utf8);

template <typename T>
JsonWriter& JsonWriter::Member(std::string_view name, T value) {
  Key(name);
  if constexpr (std::is_same_v<T, bool>) return Bool(value);
  else if constexpr (std::is_convertible_v<T, std::string_view>) return String(value);
  else if constexpr (std::is_signed_v<T>) return Int(static_cast<int64_t>(value));
  else return UInt(static_cast<uint64_t>(value));
}

}  // namespace tools
