#include "bench_util.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

extern char** environ;

namespace bench {

Scratch::Scratch() {
  const char* t = std::getenv("TMPDIR");
  std::string pattern = std::string(t && *t ? t : "/tmp") + "/zi-bench-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch folder");
  path_ = pattern;
}

Scratch::~Scratch() { RemoveTree(path_); }

int Run(const std::vector<std::string>& argv, const std::string& cwd, const std::string& stdout_path) {
  std::vector<std::string> args = argv;
  if (!cwd.empty()) args = {"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", cwd};
  if (!cwd.empty()) args.insert(args.end(), argv.begin(), argv.end());
  std::vector<char*> raw;
  for (std::string& a : args) raw.push_back(a.data());
  raw.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  // Progress lines of the tools would only mix with the figures.
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  const int failed = posix_spawnp(&pid, raw[0], &actions, nullptr, raw.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) return 127;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

void MustRun(const std::vector<std::string>& argv, const std::string& cwd) {
  const int code = Run(argv, cwd);
  if (code != 0) {
    std::fprintf(stderr, "failed (%d): %s\n", code, argv[0].c_str());
    std::exit(1);
  }
}

bool Have(const std::string& program) { return Run({"/bin/sh", "-c", "command -v \"$0\" >/dev/null", program}) == 0; }

double NowSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double Best(int runs, const std::function<void()>& f, const std::function<void()>& prepare) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    if (prepare) prepare();
    const double start = NowSeconds();
    f();
    best = std::min(best, NowSeconds() - start);
  }
  return best;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

void RemoveTree(const std::string& path) {
  if (!path.empty() && path != "/") Run({"rm", "-rf", path});
}

std::string TextLike(size_t n, uint32_t seed) {
  static const char* const kWords[] = {"the ",   "archive ", "entry ",  "volume ", "install ", "folder ",
                                       "data ",  "game ",    "setup ",  "file ",   "stream ",  "name ",
                                       "bytes ", "offset ",  "scene ",  "voice ",  "\r\n",     "= ",
                                       "0x3F ",  "1024 ",    "graphic ", "sound ",  "movie ",   "page "};
  std::string s;
  s.reserve(n + 16);
  while (s.size() < n) {
    seed = seed * 1664525u + 1013904223u;
    s += kWords[(seed >> 16) % (sizeof kWords / sizeof kWords[0])];
    if ((seed & 0xFF) < 8) s += static_cast<char>('A' + (seed >> 8) % 26);
  }
  s.resize(n);
  return s;
}

std::string RandomBytes(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  for (char& c : s) {
    seed = seed * 1664525u + 1013904223u;
    c = static_cast<char>(seed >> 24);
  }
  return s;
}

void Report(const std::string& what, double ours, double baseline, const std::string& unit, const std::string& goal) {
  std::printf("%-44s %10.3f %-5s  baseline %10.3f %-5s  ratio %.2f  (goal %s)\n", what.c_str(), ours, unit.c_str(),
              baseline, unit.c_str(), ours / baseline, goal.c_str());
  std::fflush(stdout);
}

}  // namespace bench
