// vftool pack of a mixed game folder of about 1 GiB against `zip -r -6` of the
// same folder, in the same run: scripts and text, bitmaps (24-bit pictures with
// smooth shading and grain, which deflate shrinks by about half), and sound
// and movies that are already compressed (deflate gains nothing on them).
// Goal: at least 3x zip's throughput with an archive no larger than zip's.
// Also shown: pack on one thread, to tell the early decision to store from
// the second core.
//
// usage: bench_pack [MiB]   (1024 by default; the folder goes in $TMPDIR or /tmp)
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "bench_util.h"

namespace {

int64_t SizeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

// An archive with its volumes: NAME.dat, then NAME.001, NAME.002, ...
int64_t ArchiveSize(const std::string& path) {
  int64_t total = SizeOf(path);
  const std::string stem = path.substr(0, path.rfind('.'));
  for (int n = 1;; ++n) {
    char ext[16];
    std::snprintf(ext, sizeof ext, ".%03d", n);
    const int64_t size = SizeOf(stem + ext);
    if (size < 0) return total;
    total += size;
  }
}

// A 24-bit bottom-up BMP of w x h: diagonal shading with a few bits of grain.
std::string Bitmap(int w, int h, uint32_t seed) {
  const int stride = (w * 3 + 3) & ~3;
  std::string s(54 + static_cast<size_t>(stride) * h, '\0');
  const auto le32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
  };
  s[0] = 'B';
  s[1] = 'M';
  le32(2, static_cast<uint32_t>(s.size()));
  le32(10, 54);
  le32(14, 40);
  le32(18, static_cast<uint32_t>(w));
  le32(22, static_cast<uint32_t>(h));
  s[26] = 1;
  s[28] = 24;
  for (int y = 0; y < h; ++y) {
    char* row = &s[54 + static_cast<size_t>(y) * stride];
    for (int x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int grain = static_cast<int>(seed >> 29);  // 0..7
      row[3 * x] = static_cast<char>((x + y) / 5 + grain);
      row[3 * x + 1] = static_cast<char>(x / 4 + grain);
      row[3 * x + 2] = static_cast<char>(y / 3 + grain);
    }
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace bench;
  if (!Have("zip")) {
    std::fprintf(stderr, "bench_pack needs zip (apt-get install zip)\n");
    return 1;
  }
  // The counts below make about 1360 MiB at scale 1.
  const double scale = (argc > 1 ? std::atof(argv[1]) : 1024.0) / 1360.0;
  Scratch scratch;
  const std::string in = scratch.Path() + "/game";
  for (const char* folder : {"", "/script", "/cg", "/voice", "/bgm", "/movie"}) mkdir((in + folder).c_str(), 0777);
  std::printf("writing the game folder...\n");
  std::fflush(stdout);
  double total = 0;
  const auto put = [&](const std::string& name, const std::string& bytes) {
    WriteFile(in + "/" + name, bytes);
    total += static_cast<double>(bytes.size());
  };
  uint32_t seed = 1;
  // About 6% scripts and text, 25% pictures, 35% voices and music, 34% movies.
  for (int i = 0; i < static_cast<int>(640 * scale); ++i)
    put("script/scene" + std::to_string(i) + ".txt", TextLike((size_t{40} << 10) + (i * 7919u) % (size_t{120} << 10), ++seed));
  for (int i = 0; i < static_cast<int>(180 * scale); ++i)
    put("cg/cg" + std::to_string(i) + ".bmp", Bitmap(800, 600, ++seed));
  for (int i = 0; i < static_cast<int>(1400 * scale); ++i)
    put("voice/v" + std::to_string(i) + ".ogg", RandomBytes((size_t{20} << 10) + (i * 104729u) % (size_t{300} << 10), ++seed));
  for (int i = 0; i < static_cast<int>(40 * scale); ++i)
    put("bgm/bgm" + std::to_string(i) + ".ogg", RandomBytes((size_t{3} << 20) + (i * 7u << 16), ++seed));
  for (int i = 0; i < static_cast<int>(6 * scale + 0.5); ++i)
    put("movie/op" + std::to_string(i) + ".mpg", RandomBytes(size_t{60} << 20, ++seed));
  const double mib = total / (1 << 20);
  std::printf("%.0f MiB; zip and vftool pack in turns, best of two each\n", mib);
  std::fflush(stdout);

  const std::string zip = scratch.Path() + "/game.zip", ours = scratch.Path() + "/game.dat",
                    single = scratch.Path() + "/one.dat";
  const auto remove = [](const std::string& path) {
    return [path] {
      std::remove(path.c_str());
      std::remove((path.substr(0, path.rfind('.')) + ".001").c_str());
    };
  };
  double t_zip = 1e30, t_ours = 1e30, t_single = 1e30;
  for (int turn = 0; turn < 2; ++turn) {
    t_zip = std::min(t_zip, Best(1, [&] { MustRun({"zip", "-q", "-r", "-6", zip, "."}, in); }, remove(zip)));
    t_ours = std::min(t_ours, Best(1, [&] { MustRun({VFTOOL_PATH, "pack", "-q", ours, in}); }, remove(ours)));
    t_single = std::min(t_single, Best(1, [&] { MustRun({VFTOOL_PATH, "pack", "-q", "--jobs", "1", single, in}); },
                                       remove(single)));
  }
  Report("vftool pack, mixed game folder", mib / t_ours, mib / t_zip, "MiB/s", ">= 3.00");
  Report("vftool pack --jobs 1, same folder", mib / t_single, mib / t_zip, "MiB/s", "(one core)");
  const double zip_mib = static_cast<double>(SizeOf(zip)) / (1 << 20);
  const double ours_mib = static_cast<double>(ArchiveSize(ours)) / (1 << 20);
  Report("archive size (smaller is better)", ours_mib, zip_mib, "MiB", "<= 1.00");
  return 0;
}
