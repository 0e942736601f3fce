// A JSON document in memory, for tools that read JSON (instdat build): a
// strict parser and a compact writer. Strings are UTF-8; numbers keep their
// integer value when they have one.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tools {

class JsonError : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

class Json {
 public:
  enum class Type { kNull, kBool, kInteger, kNumber, kString, kArray, kObject };
  using Members = std::vector<std::pair<std::string, Json>>;  // in document order

  Json() = default;
  static Json Bool(bool b);
  static Json Integer(int64_t v);
  static Json String(std::string utf8);
  static Json Array(std::vector<Json> items = {});
  static Json Object(Members members = {});

  // Parses a whole document; throws JsonError with the line and column, also
  // for text that is not UTF-8 and for an object with two members of a name.
  static Json Parse(const std::string& text);
  // Compact text, one line, with members in insertion order.
  std::string Dump() const;

  Type type() const { return type_; }
  bool IsInteger() const { return type_ == Type::kInteger; }
  int64_t AsInteger() const;  // throws unless an integer
  double AsNumber() const;
  bool AsBool() const;
  const std::string& AsString() const;
  const std::vector<Json>& Items() const;
  const Members& AsMembers() const;

  void Add(const std::string& key, Json value);  // objects
  void Push(Json value);                         // arrays

 private:
  Type type_ = Type::kNull;
  bool bool_ = false;
  int64_t integer_ = 0;
  double number_ = 0;
  std::string string_;
  std::vector<Json> items_;
  Members members_;
  friend class JsonParser;
};

}  // namespace tools
