// vftool list [--json] ARCHIVE: the directory as loaded, in directory order,
// superseded "/" entries included, the end marker left out.
#include <charconv>

#include "common/cli.h"
#include "common/run_main.h"
#include "common/json_writer.h"
#include "vftool/vftool.h"

namespace vftool {
namespace {

// The listing formats its columns by hand: for archives of 100,000 entries,
// printf's parsing of the format is most of the time spent.

// value right-aligned in width columns.
void AppendRight(std::string* out, int64_t value, size_t width) {
  char digits[24];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  const size_t n = static_cast<size_t>(end - digits);
  if (n < width) out->append(width - n, ' ');
  out->append(digits, n);
}

void AppendTwo(std::string* out, unsigned v) {
  *out += static_cast<char>('0' + v / 10 % 10);
  *out += static_cast<char>('0' + v % 10);
}

// "YYYY-MM-DD hh:mm:ss" of a packed MS-DOS date-time, or "-" padded to its width.
void AppendDosTime(std::string* out, int32_t value) {
  if (value == 0) {
    out->append("-                  ");
    return;
  }
  const uint32_t v = static_cast<uint32_t>(value);
  const unsigned year = 1980 + (v >> 25);
  AppendTwo(out, year / 100);
  AppendTwo(out, year % 100);
  *out += '-';
  AppendTwo(out, (v >> 21) & 15);
  *out += '-';
  AppendTwo(out, (v >> 16) & 31);
  *out += ' ';
  AppendTwo(out, (v >> 11) & 31);
  *out += ':';
  AppendTwo(out, (v >> 5) & 63);
  *out += ':';
  AppendTwo(out, (v & 31) * 2);
}

// The name in UTF-8: itself when it is ASCII (most are), else converted into *buffer.
std::string_view Utf8Name(const std::string& sjis, std::string* buffer) {
  for (char c : sjis) {
    if (static_cast<unsigned char>(c) >= 0x80) return *buffer = tools::SjisToUtf8(sjis);
  }
  return sjis;
}

void AppendHex8(std::string* out, uint32_t v) {
  static const char kHex[] = "0123456789abcdef";
  for (int shift = 28; shift >= 0; shift -= 4) *out += kHex[(v >> shift) & 15];
}

}  // namespace

int List(const ListOptions& o) {
  TVrFileCollection archive;
  OpenArchive(archive, o.archive);
  // Only an open archive has an end marker (always its last item).
  const int32_t entries = archive.Stream() ? archive.Count() - 1 : 0;
  const int64_t end = archive.Stream() ? archive.Files(archive.Count() - 1).Offset : 0;

  // Written out in pieces: a listing of a large archive never sits in memory whole.
  std::string out;
  const auto emit = [&](bool last) {
    if (!last && out.size() < (1u << 20)) return;
    if (!tools::WriteStdout(out.data(), out.size()) || (last && !tools::FlushStdout()))
      throw tools::ToolError(tools::kExitBadInput, "standard output: cannot write");
    out.clear();
  };
  if (o.json) {
    tools::JsonWriter w;
    w.BeginObject().Key("entries").BeginArray();
    for (int32_t i = 0; i < entries; ++i) {
      const TVrFile& f = archive.Files(i);
      std::string converted;
      w.BeginObject()
          .Member("name", Utf8Name(f.Name(), &converted))
          .Member("offset", f.Offset)
          .Member("size", f.Size)
          .Member("stored", static_cast<int64_t>(f.Stored))
          .Member("filetime", f.FileTime)
          .Member("crc", f.Crc)
          .Member("loose", static_cast<int64_t>(f.LooseFile))
          .EndObject();
      if (w.Text().size() >= (1u << 20)) {
        out = w.Drain();
        emit(false);
      }
    }
    w.EndArray().Member("end", end).EndObject();
    out += w.Drain();
    out += '\n';
  } else {
    out = "      OFFSET         SIZE  STORED  TIME                 CRC       LOOSE  NAME\n";
    for (int32_t i = 0; i < entries; ++i) {
      const TVrFile& f = archive.Files(i);
      AppendRight(&out, f.Offset, 12);
      out += ' ';
      AppendRight(&out, f.Size, 12);
      out += f.Stored ? "  stored  " : "  zlib    ";
      AppendDosTime(&out, f.FileTime);
      out += "  ";
      AppendHex8(&out, f.Crc);
      out += f.LooseFile ? "  loose  " : "  -      ";
      std::string converted;
      out += Utf8Name(f.Name(), &converted);
      out += '\n';
      emit(false);
    }
    out += std::to_string(entries) + " entries, end " + std::to_string(end) + "\n";
  }
  emit(true);
  return tools::kExitOk;
}

}  // namespace vftool
