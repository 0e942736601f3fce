// Helpers of the benchmarks: a scratch folder, child processes, timing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// A scratch folder below $TMPDIR (or /tmp), removed with its content at the end.
class Scratch {
 public:
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  const std::string& Path() const { return path_; }  // UTF-8, no trailing "/"

 private:
  std::string path_;
};

// Runs argv[0] with its output thrown away (or written to stdout_path);
// returns its exit code. cwd: working folder, empty for ours.
int Run(const std::vector<std::string>& argv, const std::string& cwd = "", const std::string& stdout_path = "/dev/null");
// Runs and exits the benchmark when the command fails.
void MustRun(const std::vector<std::string>& argv, const std::string& cwd = "");
// True when the program is on PATH.
bool Have(const std::string& program);

double NowSeconds();
// The best (smallest) of `runs` timings of f, in seconds; before each run
// `prepare` is called outside the timing.
double Best(int runs, const std::function<void()>& f, const std::function<void()>& prepare = nullptr);

void WriteFile(const std::string& path, const std::string& bytes);
void RemoveTree(const std::string& path);
// Text-like bytes (words from a small vocabulary) that compress about 3:1.
std::string TextLike(size_t n, uint32_t seed);
std::string RandomBytes(size_t n, uint32_t seed);

// "name: figure unit (baseline: figure unit, ratio R, goal G)" on one line.
void Report(const std::string& what, double ours, double baseline, const std::string& unit, const std::string& goal);

}  // namespace bench
