#include "common/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "base/encoding.h"

namespace tools {

void AppendJsonEscaped(std::string* out, std::string_view s) {
  static const char kHex[] = "0123456789abcdef";
  for (size_t i = 0; i < s.size();) {
    // Runs of printable ASCII, the bulk of most text, go in one piece.
    size_t run = i;
    while (run < s.size() && static_cast<unsigned char>(s[run]) >= 0x20 && static_cast<unsigned char>(s[run]) < 0x80 &&
           s[run] != '"' && s[run] != '\\')
      ++run;
    if (run > i) {
      out->append(s.substr(i, run - i));
      i = run;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0x80) {
      char32_t cp;
      const size_t n = enc::DecodeUtf8(s, i, &cp);
      if (n == 0) {
        *out += "\xEF\xBF\xBD";  // U+FFFD
        ++i;
      } else {
        out->append(s.substr(i, n));
        i += n;
      }
      continue;
    }
    switch (c) {
      case '"': *out += "\\\""; break;
      case '\\': *out += "\\\\"; break;
      case '\n': *out += "\\n"; break;
      case '\r': *out += "\\r"; break;
      case '\t': *out += "\\t"; break;
      case '\b': *out += "\\b"; break;
      case '\f': *out += "\\f"; break;
      default:
        if (c < 0x20) {
          *out += "\\u00";
          *out += kHex[c >> 4];
          *out += kHex[c & 15];
        } else {
          *out += static_cast<char>(c);
        }
    }
    ++i;
  }
}

void JsonWriter::BeforeValue() {
  if (stack_.empty()) {
    if (wrote_top_) throw std::logic_error("JSON: a second top-level value");
    wrote_top_ = true;
    return;
  }
  switch (stack_.back()) {
    case Frame::kObjectKey: throw std::logic_error("JSON: a value where a member name is due");
    case Frame::kObjectValue: stack_.back() = Frame::kObjectKey; break;
    case Frame::kArray:
      if (!first_.back()) out_ += ',';
      first_.back() = false;
      break;
  }
}

void JsonWriter::Open(char c, Frame frame) {
  BeforeValue();
  out_ += c;
  stack_.push_back(frame);
  first_.push_back(true);
}

void JsonWriter::Close(char c, bool object) {
  if (stack_.empty() || (object ? stack_.back() != Frame::kObjectKey : stack_.back() != Frame::kArray))
    throw std::logic_error("JSON: closing a container that is not open");
  out_ += c;
  stack_.pop_back();
  first_.pop_back();
}

JsonWriter& JsonWriter::BeginObject() {
  Open('{', Frame::kObjectKey);
  return *this;
}
JsonWriter& JsonWriter::EndObject() {
  Close('}', true);
  return *this;
}
JsonWriter& JsonWriter::BeginArray() {
  Open('[', Frame::kArray);
  return *this;
}
JsonWriter& JsonWriter::EndArray() {
  Close(']', false);
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view utf8) {
  if (stack_.empty() || stack_.back() != Frame::kObjectKey) throw std::logic_error("JSON: a member name outside an object");
  if (!first_.back()) out_ += ',';
  first_.back() = false;
  Quoted(utf8);
  out_ += ':';
  stack_.back() = Frame::kObjectValue;
  return *this;
}

void JsonWriter::Quoted(std::string_view utf8) {
  out_ += '"';
  AppendJsonEscaped(&out_, utf8);
  out_ += '"';
}

JsonWriter& JsonWriter::String(std::string_view utf8) {
  BeforeValue();
  Quoted(utf8);
  return *this;
}
JsonWriter& JsonWriter::Int(int64_t value) {
  BeforeValue();
  char digits[24];
  out_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
  return *this;
}
JsonWriter& JsonWriter::UInt(uint64_t value) {
  BeforeValue();
  char digits[24];
  out_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
  return *this;
}
JsonWriter& JsonWriter::Number(double value) {
  if (!std::isfinite(value)) return Null();  // JSON has no form for them
  BeforeValue();
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  out_ += text;
  return *this;
}
JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ += value ? "true" : "false";
  return *this;
}
JsonWriter& JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
  return *this;
}

std::string JsonWriter::Drain() {
  std::string text = std::move(out_);
  out_.clear();
  return text;
}

std::string JsonWriter::Take() {
  std::string text = std::move(out_);
  out_.clear();
  stack_.clear();
  first_.clear();
  wrote_top_ = false;
  return text;
}

}  // namespace tools
