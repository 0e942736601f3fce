#include "targets.h"

#include <cstring>
#include <stdexcept>
#include <string_view>

#include <zlib.h>

#include "archive/vrfiles.h"
#include "base/fs.h"
#include "base/stream.h"
#include "common/json_value.h"
#include "galetool/png.h"
#include "imaging/gales.h"
#include "settings/install_set.h"
#include "settings_json.h"

namespace zifuzz {
namespace {

std::string g_scratch;
volatile uint32_t g_sink;  // keeps the pixel reads
int64_t g_gale_budget = kMaxGaleSurfaceBytes;

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  TFileStream f(path, kFmCreate);
  f.WriteBuffer(data, static_cast<int64_t>(size));
}

// A reader broke its own contract: the fuzzer reports the uncaught exception.
[[noreturn]] void Finding(const char* what) { throw std::logic_error(what); }

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

void SetScratchFolder(const std::string& folder) { g_scratch = folder; }
void SetGaleBudget(int64_t bytes) { g_gale_budget = bytes; }

void Settings(const uint8_t* data, size_t size) {
  TMemoryStream m;
  m.WriteBuffer(data, static_cast<int64_t>(size));
  m.SetPosition(0);
  TZefoInstallSet set;
  try {
    set.LoadFromStream(m);
  } catch (const EInstallSetError&) {
    return;
  }
  // What was read writes back and reads again to the same fields.
  TMemoryStream again;
  set.SaveToStream(again);
  again.SetPosition(0);
  TZefoInstallSet copy;
  copy.LoadFromStream(again);
  if (copy.Title != set.Title || copy.CopyFiles != set.CopyFiles || copy.DiskDataSize != set.DiskDataSize)
    Finding("settings read back differ from the settings written");
}

void Archive(const uint8_t* data, size_t size) {
  if (size < 1) return;
  const int mode = data[0] % 3;
  ++data;
  --size;
  std::string name;
  fs::EraseFile(g_scratch + "fuzz.ext");
  if (mode == 0) {
    name = g_scratch + "fuzz.dat";
    WriteFile(name, data, size);
  } else if (mode == 1) {
    if (size < 4) return;
    const size_t rest = size - 4;
    const size_t split = rest == 0 ? 0 : Le32(data) % (rest + 1);
    name = g_scratch + "fuzz.dat";
    WriteFile(g_scratch + "fuzz.ext", data + 4, split);
    WriteFile(name, data + 4 + split, rest - split);
  } else {
    name = g_scratch + "fuzz.exe";
    WriteFile(name, data, size);
  }
  TVrFileCollection archive;
  try {
    archive.Open(name);
  } catch (const EFormatError&) {
    return;
  } catch (const EStreamError&) {
    return;
  }
  // Entries only: loose files beside the archive are not what is tested.
  archive.SetLooseFolder("");
  for (int32_t i = 0; i < archive.Count(); ++i) {
    const std::string entry = archive.Files(i).Name();
    TMemoryStream m;
    try {
      archive.ReadEntry(m, entry);
    } catch (const EError&) {
      // Damaged bytes, a name that is superseded or missing: all clean errors.
    }
  }
  int32_t failed = -1;
  archive.Verify(&failed);
}

void Gale(const uint8_t* data, size_t size) {
  TMemoryStream m;
  m.WriteBuffer(data, static_cast<int64_t>(size));
  for (const bool first : {false, true}) {
    m.SetPosition(0);
    TGaleFrameList list(first ? 0 : kGaleKey);
    list.MaxSurfaceBytes = g_gale_budget;
    try {
      list.LoadFromStream(m, first);
    } catch (const EFormatError&) {
      continue;
    }
    // Every composed frame is read through, a sample of its pixels.
    uint32_t sum = 0;
    for (int f = 0; f < list.Count(); ++f) {
      const TDIBSurface& s = list.Frames(f).Surface;
      for (int y = 0; y < s.Height(); y += 1 + s.Height() / 64)
        for (int x = 0; x < s.Width(); x += 1 + s.Width() / 64) sum += s.Pixel(x, y);
    }
    g_sink = sum;
  }
}

// The input with every whole chunk's CRC made right: otherwise nearly every
// mutation ends at the first checksum and the fuzzer never reaches the rest.
// A signature byte of 0xFF keeps the CRCs as they are, so that a bad one can
// still be tried.
std::string WithChunkCrcs(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (size > 0 && data[0] == 0xFF) {
    bytes[0] = static_cast<char>(0x89);
    return bytes;
  }
  size_t pos = 8;
  while (pos + 12 <= bytes.size()) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data()) + pos;
    const uint32_t length = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    if (length > bytes.size() - pos - 12) break;
    const uint32_t crc = static_cast<uint32_t>(crc32(0, p + 4, static_cast<uInt>(length) + 4));
    for (int k = 0; k < 4; ++k) bytes[pos + 8 + length + k] = static_cast<char>(crc >> (24 - 8 * k));
    pos += 12 + length;
  }
  return bytes;
}

void Png(const uint8_t* data, size_t size) {
  try {
    const TPngImage image = ReadPng(WithChunkCrcs(data, size));
    const size_t expected = static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height) *
                            static_cast<size_t>(image.Channels);
    if (image.Pixels.size() != expected) Finding("PNG pixels do not match the size");
  } catch (const EPngError&) {
  }
}

void JsonSettings(const uint8_t* data, size_t size) {
  tools::Json doc;
  try {
    doc = tools::Json::Parse(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const tools::JsonError&) {
    return;
  }
  // A parsed document dumps to text that parses again to the same dump.
  const std::string dump = doc.Dump();
  if (tools::Json::Parse(dump).Dump() != dump) Finding("a JSON dump does not read back to itself");
  try {
    const TZefoInstallSet set = SettingsFromJson(doc);
    SettingsToJson(set).Dump();
  } catch (const tools::JsonError&) {
  }
}

bool RunTarget(const std::string& name, const uint8_t* data, size_t size) {
  if (name == "settings") Settings(data, size);
  else if (name == "archive") Archive(data, size);
  else if (name == "gale") Gale(data, size);
  else if (name == "png") Png(data, size);
  else if (name == "json") JsonSettings(data, size);
  else return false;
  return true;
}

}  // namespace zifuzz
