#include "common/json_pretty.h"

namespace tools {
namespace {

bool IsPlain(const Json& v) { return v.type() != Json::Type::kArray && v.type() != Json::Type::kObject; }

void Write(const Json& v, int depth, std::string* out) {
  const std::string inner(static_cast<size_t>(2 * (depth + 1)), ' ');
  const std::string outer(static_cast<size_t>(2 * depth), ' ');
  if (v.type() == Json::Type::kObject) {
    const Json::Members& members = v.AsMembers();
    if (members.empty()) {
      *out += "{}";
      return;
    }
    *out += "{\n";
    for (size_t i = 0; i < members.size(); ++i) {
      *out += inner + Json::String(members[i].first).Dump() + ": ";
      Write(members[i].second, depth + 1, out);
      *out += i + 1 < members.size() ? ",\n" : "\n";
    }
    *out += outer + "}";
  } else if (v.type() == Json::Type::kArray) {
    const std::vector<Json>& items = v.Items();
    bool plain = true;
    for (const Json& item : items) plain = plain && IsPlain(item) && item.type() != Json::Type::kString;
    if (items.empty() || plain) {
      *out += v.Dump();  // numbers and such: one line
      return;
    }
    *out += "[\n";
    for (size_t i = 0; i < items.size(); ++i) {
      *out += inner;
      Write(items[i], depth + 1, out);
      *out += i + 1 < items.size() ? ",\n" : "\n";
    }
    *out += outer + "]";
  } else {
    *out += v.Dump();
  }
}

}  // namespace

std::string PrettyJson(const Json& value) {
  std::string out;
  Write(value, 0, &out);
  out += '\n';
  return out;
}

}  // namespace tools
