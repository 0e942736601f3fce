// vftool list [--json] ARCHIVE: the directory as loaded, in directory order,
// superseded "/" entries included, the end marker left out.
#include <cinttypes>
#include <cstdio>

#include "common/cli.h"
#include "common/json_writer.h"
#include "vftool/vftool.h"

namespace vftool {
namespace {

// "YYYY-MM-DD hh:mm:ss" of a packed MS-DOS date-time, "-" for none.
std::string DosTimeText(int32_t value) {
  if (value == 0) return "-";
  const uint32_t v = static_cast<uint32_t>(value);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", 1980 + (v >> 25), (v >> 21) & 15, (v >> 16) & 31,
                (v >> 11) & 31, (v >> 5) & 63, (v & 31) * 2);
  return text;
}

}  // namespace

int List(const Args& args) {
  bool json = false;
  std::vector<std::string> names;
  for (const std::string& a : args) {
    if (a == "--json") json = true;
    else if (!a.empty() && a[0] == '-' && a != "-") tools::Exit(tools::kExitUsage, "list: unknown option " + a);
    else names.push_back(a);
  }
  if (names.size() != 1) tools::Exit(tools::kExitUsage, "usage: vftool list [--json] ARCHIVE");

  TVrFileCollection archive;
  OpenArchive(archive, names[0]);
  // Only an open archive has an end marker (always its last item).
  const int32_t entries = archive.Stream() ? archive.Count() - 1 : 0;
  const int64_t end = archive.Stream() ? archive.Files(archive.Count() - 1).Offset : 0;

  std::string out;
  if (json) {
    tools::JsonWriter w;
    w.BeginObject().Key("entries").BeginArray();
    for (int32_t i = 0; i < entries; ++i) {
      const TVrFile& f = archive.Files(i);
      w.BeginObject()
          .Member("name", tools::SjisToUtf8(f.Name()))
          .Member("offset", f.Offset)
          .Member("size", f.Size)
          .Member("stored", static_cast<int64_t>(f.Stored))
          .Member("filetime", f.FileTime)
          .Member("crc", f.Crc)
          .Member("loose", static_cast<int64_t>(f.LooseFile))
          .EndObject();
    }
    w.EndArray().Member("end", end).EndObject();
    out = w.Take();
    out += '\n';
  } else {
    out = "      OFFSET         SIZE  STORED  TIME                 CRC       LOOSE  NAME\n";
    char line[160];
    for (int32_t i = 0; i < entries; ++i) {
      const TVrFile& f = archive.Files(i);
      std::snprintf(line, sizeof line, "%12" PRId64 " %12" PRId64 "  %-6s  %-19s  %08" PRIx32 "  %-5s  ", f.Offset,
                    f.Size, f.Stored ? "stored" : "zlib", DosTimeText(f.FileTime).c_str(), f.Crc,
                    f.LooseFile ? "loose" : "-");
      out += line;
      out += tools::SjisToUtf8(f.Name());
      out += '\n';
    }
    std::snprintf(line, sizeof line, "%d entries, end %" PRId64 "\n", entries, end);
    out += line;
  }
  if (!tools::WriteStdout(out.data(), out.size()) || !tools::FlushStdout())
    tools::Exit(tools::kExitBadInput, "cannot write to standard output");
  return tools::kExitOk;
}

}  // namespace vftool
