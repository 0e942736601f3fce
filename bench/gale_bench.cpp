// Decoding a 1920 × 1080 Gale picture (zlib rows, zlib tiles, scrambled rows,
// scrambled tiles) next to what zlib alone needs to inflate the same colour
// plane, measured in the same run.
//   gale_bench [repetitions]
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/galewriter.h"
#include "imaging/gales.h"

namespace {

using Clock = std::chrono::steady_clock;

// Where WriteGalePicture puts the colour block: signature 7, header 4 + 40,
// frame record 33, layer record 22, then the block length.
constexpr size_t kColourBlockLength = 7 + 44 + 33 + 22;

// A picture with the texture of a photograph: smooth gradients, edges and
// some noise, so that zlib works about as hard as on a real one.
void MakePicture(TDIBSurface& s) {
  s.SetSize(1920, 1080, 24);
  uint32_t noise = 12345;
  for (int y = 0; y < s.Height(); ++y) {
    uint8_t* row = s.ScanLine(y);
    for (int x = 0; x < s.Width(); ++x) {
      noise = noise * 1103515245u + 12345u;
      const int n = static_cast<int>((noise >> 16) & 7);
      row[3 * x] = static_cast<uint8_t>((x / 8 + n) & 0xFF);
      row[3 * x + 1] = static_cast<uint8_t>(((x + y) / 10 + ((x / 120 + y / 90) % 2) * 60) & 0xFF);
      row[3 * x + 2] = static_cast<uint8_t>((y / 5 + n) & 0xFF);
    }
  }
}

template <class F>
double BestMs(int repetitions, F f) {
  double best = 1e300;
  for (int i = 0; i < repetitions; ++i) {
    const auto t0 = Clock::now();
    f();
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  TDIBSurface picture;
  MakePicture(picture);
  struct Variant {
    const char* name;
    int tile;
    bool scramble;
  } variants[] = {{"zlib rows", 0, false}, {"zlib tiles 64x64", 64, false}, {"scrambled rows", 0, true},
                  {"scrambled tiles 64x64", 64, true}};
  std::printf("1920x1080 24-bit, best of %d runs\n", repetitions);
  std::printf("%-24s %10s %10s %8s %10s\n", "variant", "decode ms", "inflate ms", "ratio", "file KiB");
  for (const Variant& v : variants) {
    TGaleWriteOptions o;
    o.TileWidth = o.TileHeight = v.tile;
    o.Scramble = v.scramble;
    o.Key = 0x5EED;
    TMemoryStream file;
    WriteGalePicture(file, picture, o);

    // The colour block as stored, for zlib alone.
    int32_t length;
    std::memcpy(&length, file.Memory() + kColourBlockLength, 4);
    const uint8_t* block = file.Memory() + kColourBlockLength + 4;
    std::vector<uint8_t> plane(picture.ImageSize() + (1 << 20));  // room for the tile table
    const double inflate_ms = BestMs(repetitions, [&] {
      uLongf n = static_cast<uLongf>(plane.size());
      if (uncompress(plane.data(), &n, block, static_cast<uLong>(length)) != Z_OK) {
        std::fprintf(stderr, "the colour block is not where the bench expects it\n");
        std::exit(1);
      }
    });
    const double decode_ms = BestMs(repetitions, [&] {
      TGaleFrameList list(o.Key);
      file.SetPosition(0);
      list.LoadFromStream(file, true);
    });
    std::printf("%-24s %10.2f %10.2f %8.2f %10.0f\n", v.name, decode_ms, inflate_ms, decode_ms / inflate_ms,
                static_cast<double>(file.GetSize()) / 1024);
  }
  return 0;
}
