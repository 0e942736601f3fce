// sjis-cc: a compiler launcher that gives clang what GCC's
// -fexec-charset=CP932 gives: narrow string and character literals in code
// page 932 bytes, while the sources stay UTF-8.
//
// clang accepts no execution character set other than UTF-8, so the launcher
// compiles in two steps:
//   1. the compiler preprocesses the source (headers included; dependency
//      flags such as -MD -MF go with this step, so Ninja still sees every
//      header);
//   2. every non-ASCII run inside an ordinary narrow literal ("..." or '...')
//      of the preprocessed text is turned into three-digit octal escapes of
//      its code page 932 bytes, and the compiler compiles that text.
// u8, u, U and L literals are left as they are: they keep their own encodings,
// as with GCC. A character code page 932 cannot hold, or a narrow raw string
// with non-ASCII text, stops the build with a message naming the line.
//
// Usage (as CMAKE_CXX_COMPILER_LAUNCHER): sjis-cc COMPILER ARGS... -o OBJ -c SRC
// Anything else (linking, a command without -c) runs unchanged.
#include <iconv.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

int Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
    std::perror(argv[0]);
    return 127;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return 127;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool IsIdent(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

class Escaper {
 public:
  explicit Escaper(const std::string& file) : file_(file), cd_(iconv_open("CP932", "UTF-8")) {}
  ~Escaper() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }

  // Returns false (after a message) when the text cannot be converted.
  bool Convert(const std::string& in, std::string* out) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return Error("iconv has no CP932 table");
    size_t i = 0;
    const size_t n = in.size();
    out->reserve(n + n / 8);
    bool line_start = true;
    while (i < n) {
      const char c = in[i];
      if (line_start && c == '#') {  // a line marker or a pragma: kept whole
        const size_t end = in.find('\n', i);
        const size_t stop = end == std::string::npos ? n : end + 1;
        out->append(in, i, stop - i);
        i = stop;
        continue;
      }
      if (c == '\n') {
        ++line_;
        line_start = true;
        out->push_back(c);
        ++i;
        continue;
      }
      if (c != ' ' && c != '\t') line_start = false;
      if (c == '/' && i + 1 < n && in[i + 1] == '/') {
        const size_t end = in.find('\n', i);
        const size_t stop = end == std::string::npos ? n : end;
        out->append(in, i, stop - i);
        i = stop;
        continue;
      }
      if (c == '/' && i + 1 < n && in[i + 1] == '*') {
        const size_t end = in.find("*/", i + 2);
        const size_t stop = end == std::string::npos ? n : end + 2;
        CountLines(in, i, stop);
        out->append(in, i, stop - i);
        i = stop;
        continue;
      }
      if (IsIdent(c)) {
        // An identifier or number, and the literal it may prefix.
        size_t j = i;
        while (j < n && IsIdent(in[j])) ++j;
        const std::string word = in.substr(i, j - i);
        if (j < n && (in[j] == '"' || in[j] == '\'')) {
          const bool raw = !word.empty() && word.back() == 'R';
          const std::string encoding = raw ? word.substr(0, word.size() - 1) : word;
          const bool prefix = encoding.empty() || encoding == "u8" || encoding == "u" || encoding == "U" ||
                              encoding == "L";
          if (prefix && (in[j] == '"' || !raw)) {
            out->append(word);
            i = j;
            if (!Literal(in, &i, out, raw, encoding.empty())) return false;
            continue;
          }
        }
        if (j < n && in[j] == '\'' && word[0] >= '0' && word[0] <= '9') {
          // A digit separator inside a number: the number goes on.
          out->append(word);
          out->push_back('\'');
          i = j + 1;
          continue;
        }
        out->append(word);
        i = j;
        continue;
      }
      if (c == '"' || c == '\'') {
        if (!Literal(in, &i, out, false, true)) return false;
        continue;
      }
      out->push_back(c);
      ++i;
    }
    return true;
  }

 private:
  bool Error(const std::string& what) {
    std::cerr << file_ << ": line " << line_ << " of the preprocessed text: " << what << "\n";
    return false;
  }

  void CountLines(const std::string& in, size_t from, size_t to) {
    for (size_t k = from; k < to; ++k)
      if (in[k] == '\n') ++line_;
  }

  // *i stands on the opening quote. Narrow literals get their non-ASCII runs
  // escaped; the others are copied.
  bool Literal(const std::string& in, size_t* i, std::string* out, bool raw, bool narrow) {
    const size_t n = in.size();
    const char quote = in[*i];
    if (raw) {
      const size_t open = in.find('(', *i);
      if (open == std::string::npos) return Error("raw string without '('");
      const std::string close = ")" + in.substr(*i + 1, open - *i - 1) + "\"";
      const size_t end = in.find(close, open);
      if (end == std::string::npos) return Error("unterminated raw string");
      const size_t stop = end + close.size();
      for (size_t k = *i; k < stop; ++k)
        if (narrow && static_cast<unsigned char>(in[k]) >= 0x80)
          return Error("a narrow raw string holds non-ASCII text; write it as an ordinary literal");
      CountLines(in, *i, stop);
      out->append(in, *i, stop - *i);
      *i = stop;
      return true;
    }
    out->push_back(quote);
    size_t k = *i + 1;
    while (k < n && in[k] != quote) {
      if (in[k] == '\n') return Error("unterminated literal");
      if (in[k] == '\\' && k + 1 < n) {
        out->append(in, k, 2);
        k += 2;
        continue;
      }
      if (!narrow || static_cast<unsigned char>(in[k]) < 0x80) {
        out->push_back(in[k]);
        ++k;
        continue;
      }
      size_t run_end = k;
      while (run_end < n && static_cast<unsigned char>(in[run_end]) >= 0x80) ++run_end;
      std::string bytes;
      if (!ToCp932(in.substr(k, run_end - k), &bytes)) return false;
      for (unsigned char b : bytes) {
        char esc[5];
        std::snprintf(esc, sizeof esc, "\\%03o", b);
        out->append(esc);
      }
      k = run_end;
    }
    if (k >= n) return Error("unterminated literal");
    out->push_back(quote);
    *i = k + 1;
    return true;
  }

  bool ToCp932(const std::string& utf8, std::string* bytes) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::vector<char> buf(utf8.size() * 2 + 8);
    char* src = const_cast<char*>(utf8.data());
    size_t left = utf8.size();
    char* dst = buf.data();
    size_t room = buf.size();
    if (iconv(cd_, &src, &left, &dst, &room) == static_cast<size_t>(-1))
      return Error("\"" + utf8 + "\" cannot be written in code page 932");
    bytes->assign(buf.data(), dst);
    return true;
  }

  std::string file_;
  iconv_t cd_;
  int line_ = 1;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: sjis-cc COMPILER ARGS...\n";
    return 2;
  }
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string source, object;
  std::vector<std::string> common;  // everything but -c SRC, -o OBJ and the dependency flags
  std::vector<std::string> deps;
  bool compile = false;
  for (size_t k = 0; k < args.size(); ++k) {
    const std::string& a = args[k];
    if (k > 0 && a == "-c" && k + 1 < args.size()) {
      compile = true;
      source = args[++k];
    } else if (k > 0 && a == "-o" && k + 1 < args.size()) {
      object = args[++k];
    } else if (a == "-MD" || a == "-MMD") {
      deps.push_back(a);
    } else if ((a == "-MT" || a == "-MF" || a == "-MQ") && k + 1 < args.size()) {
      deps.push_back(a);
      deps.push_back(args[++k]);
    } else if (a.rfind("-fexec-charset=", 0) == 0) {
      // This launcher is the execution character set.
    } else {
      common.push_back(a);
    }
  }
  if (!compile || object.empty()) return Run(args);

  const std::string preprocessed = object + ".pp.ii";
  const std::string escaped = object + ".sjis.ii";
  std::vector<std::string> step1 = common;
  step1.insert(step1.end(), deps.begin(), deps.end());
  step1.insert(step1.end(), {"-E", source, "-o", preprocessed});
  if (const int rc = Run(step1)) return rc;

  std::string text;
  {
    std::ifstream f(preprocessed, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    text = ss.str();
  }
  std::string out;
  if (!Escaper(source).Convert(text, &out)) return 1;
  {
    std::ofstream f(escaped, std::ios::binary);
    f << out;
    if (!f) {
      std::cerr << "sjis-cc: cannot write " << escaped << "\n";
      return 1;
    }
  }
  std::vector<std::string> step2 = common;
  step2.insert(step2.end(), {"-Qunused-arguments", "-c", escaped, "-o", object});
  const int rc = Run(step2);
  std::remove(preprocessed.c_str());
  if (rc == 0) std::remove(escaped.c_str());
  return rc;
}
