#include "common/json_value.h"

#include "common/json_writer.h"

#include <cmath>
#include <cstdlib>
#include <unordered_set>

#include "base/encoding.h"

namespace tools {

Json Json::Bool(bool b) {
  Json j;
  j.type_ = Type::kBool;
  j.bool_ = b;
  return j;
}

Json Json::Integer(int64_t v) {
  Json j;
  j.type_ = Type::kInteger;
  j.integer_ = v;
  return j;
}

Json Json::String(std::string utf8) {
  Json j;
  j.type_ = Type::kString;
  j.string_ = std::move(utf8);
  return j;
}

Json Json::Array(std::vector<Json> items) {
  Json j;
  j.type_ = Type::kArray;
  j.items_ = std::move(items);
  return j;
}

Json Json::Object(Members members) {
  Json j;
  j.type_ = Type::kObject;
  j.members_ = std::move(members);
  return j;
}

int64_t Json::AsInteger() const {
  if (type_ != Type::kInteger) throw JsonError("expected an integer");
  return integer_;
}

double Json::AsNumber() const {
  if (type_ == Type::kInteger) return static_cast<double>(integer_);
  if (type_ != Type::kNumber) throw JsonError("expected a number");
  return number_;
}

bool Json::AsBool() const {
  if (type_ != Type::kBool) throw JsonError("expected true or false");
  return bool_;
}

const std::string& Json::AsString() const {
  if (type_ != Type::kString) throw JsonError("expected a string");
  return string_;
}

const std::vector<Json>& Json::Items() const {
  if (type_ != Type::kArray) throw JsonError("expected an array");
  return items_;
}

const Json::Members& Json::AsMembers() const {
  if (type_ != Type::kObject) throw JsonError("expected an object");
  return members_;
}

void Json::Add(const std::string& key, Json value) { members_.emplace_back(key, std::move(value)); }
void Json::Push(Json value) { items_.push_back(std::move(value)); }

// --- parsing ---

class JsonParser {
 public:
  explicit JsonParser(const std::string& t) : t_(t) {}

  Json Document() {
    Json v = Value(0);
    Blank();
    if (i_ != t_.size()) Fail("unexpected text after the document");
    return v;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) {
    size_t line = 1, col = 1;
    for (size_t k = 0; k < i_ && k < t_.size(); ++k) {
      if (t_[k] == '\n') {
        ++line;
        col = 1;
      } else {
        ++col;
      }
    }
    throw JsonError("line " + std::to_string(line) + ", column " + std::to_string(col) + ": " + what);
  }
  void Blank() {
    while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\t' || t_[i_] == '\n' || t_[i_] == '\r')) ++i_;
  }
  bool Eat(char c) {
    Blank();
    if (i_ < t_.size() && t_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  void Expect(char c) {
    if (!Eat(c)) Fail(std::string("expected '") + c + "'");
  }
  bool Word(const char* w) {
    const std::string s(w);
    if (t_.compare(i_, s.size(), s) == 0) {
      i_ += s.size();
      return true;
    }
    return false;
  }

  Json Value(int depth) {
    if (depth > 64) Fail("nested too deeply");
    Blank();
    if (i_ >= t_.size()) Fail("unexpected end");
    const char c = t_[i_];
    if (c == '{') {
      ++i_;
      Json o = Json::Object();
      if (Eat('}')) return o;
      std::unordered_set<std::string> keys;  // members so far: one lookup per member
      do {
        Blank();
        if (i_ >= t_.size() || t_[i_] != '"') Fail("expected a member name");
        std::string key = Str();
        if (!keys.insert(key).second) Fail("duplicate member \"" + key + "\"");
        Expect(':');
        o.Add(key, Value(depth + 1));
      } while (Eat(','));
      Expect('}');
      return o;
    }
    if (c == '[') {
      ++i_;
      Json a = Json::Array();
      if (Eat(']')) return a;
      do a.Push(Value(depth + 1));
      while (Eat(','));
      Expect(']');
      return a;
    }
    if (c == '"') return Json::String(Str());
    if (Word("true")) return Json::Bool(true);
    if (Word("false")) return Json::Bool(false);
    if (Word("null")) return Json();
    if (c == '-' || (c >= '0' && c <= '9')) return Number();
    Fail("unexpected character");
  }

  Json Number() {
    const size_t start = i_;
    if (t_[i_] == '-') ++i_;
    while (i_ < t_.size() && t_[i_] >= '0' && t_[i_] <= '9') ++i_;
    bool fraction = false;
    while (i_ < t_.size() && (t_[i_] == '.' || t_[i_] == 'e' || t_[i_] == 'E' || t_[i_] == '+' || t_[i_] == '-' ||
                              (t_[i_] >= '0' && t_[i_] <= '9'))) {
      fraction = true;
      ++i_;
    }
    const std::string text = t_.substr(start, i_ - start);
    if (text == "-" || text.empty()) Fail("bad number");
    if (!fraction) {
      errno = 0;
      char* end = nullptr;
      const long long v = std::strtoll(text.c_str(), &end, 10);
      if (errno == ERANGE || *end) Fail("number out of range");
      return Json::Integer(v);
    }
    char* end = nullptr;
    const double d = std::strtod(text.c_str(), &end);
    if (*end) Fail("bad number");
    // A number with a fraction or exponent that is a whole value counts as that integer.
    if (std::floor(d) == d && std::fabs(d) < 9.0e15) return Json::Integer(static_cast<int64_t>(d));
    Json j;
    j.type_ = Json::Type::kNumber;
    j.number_ = d;
    return j;
  }

  uint32_t Hex4() {
    if (i_ + 4 > t_.size()) Fail("bad \\u escape");
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) {
      const char h = t_[i_++];
      v <<= 4;
      if (h >= '0' && h <= '9') v |= h - '0';
      else if (h >= 'a' && h <= 'f') v |= h - 'a' + 10;
      else if (h >= 'A' && h <= 'F') v |= h - 'A' + 10;
      else Fail("bad \\u escape");
    }
    return v;
  }

  // Copies one UTF-8 sequence that starts at i_; text that is not UTF-8
  // (a stray continuation byte, a cut sequence, an overlong form, a surrogate,
  // a value beyond U+10FFFF) is rejected, so that what is read is what a dump
  // writes back.
  void Utf8Sequence(std::string& out) {
    char32_t cp;
    const size_t n = enc::DecodeUtf8(t_, i_, &cp);
    if (n == 0) Fail("invalid UTF-8 in a string");
    out.append(t_, i_, n);
    i_ += n;
  }

  std::string Str() {
    ++i_;  // the opening quote
    std::string out;
    for (;;) {
      if (i_ >= t_.size()) Fail("unterminated string");
      const char c = t_[i_++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) Fail("control character in a string");
      if (static_cast<unsigned char>(c) >= 0x80) {
        --i_;
        Utf8Sequence(out);
        continue;
      }
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i_ >= t_.size()) Fail("unterminated string");
      const char e = t_[i_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          uint32_t cp = Hex4();
          if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i_ + 2 > t_.size() || t_[i_] != '\\' || t_[i_ + 1] != 'u') Fail("lone surrogate");
            i_ += 2;
            const uint32_t lo = Hex4();
            if (lo < 0xDC00 || lo > 0xDFFF) Fail("lone surrogate");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
          } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            Fail("lone surrogate");
          }
          enc::AppendUtf8(&out, cp);
          break;
        }
        default: Fail("bad escape");
      }
    }
  }

  const std::string& t_;
  size_t i_ = 0;
};

Json Json::Parse(const std::string& text) { return JsonParser(text).Document(); }

// --- writing ---

namespace {

void Write(JsonWriter& w, const Json& j) {
  switch (j.type()) {
    case Json::Type::kNull: w.Null(); break;
    case Json::Type::kBool: w.Bool(j.AsBool()); break;
    case Json::Type::kInteger: w.Int(j.AsInteger()); break;
    case Json::Type::kNumber: w.Number(j.AsNumber()); break;
    case Json::Type::kString: w.String(j.AsString()); break;
    case Json::Type::kArray:
      w.BeginArray();
      for (const Json& item : j.Items()) Write(w, item);
      w.EndArray();
      break;
    case Json::Type::kObject:
      w.BeginObject();
      for (const auto& [k, v] : j.AsMembers()) {
        w.Key(k);
        Write(w, v);
      }
      w.EndObject();
      break;
  }
}

}  // namespace

std::string Json::Dump() const {
  JsonWriter w;
  Write(w, *this);
  return w.Take();
}

}  // namespace tools
