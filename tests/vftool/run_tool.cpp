#include "run_tool.h"

#include <stdexcept>

#include "base/os_file.h"
#include "base/paths.h"
#include "common/temp_dir.h"

#ifdef _WIN32
#include <windows.h>

#include "base/encoding.h"
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include "base/encoding.h"
#include "base/fs.h"
extern char** environ;
#endif

namespace {

#ifdef _WIN32
std::wstring OwnFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s(path, n);
  return s.substr(0, s.find_last_of(L'\\') + 1);
}

// One argument quoted as CommandLineToArgvW reads it back.
std::wstring Quote(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

HANDLE InheritableFile(const std::wstring& path, bool write) {
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  return CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                     write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}
#else
std::string OwnFolder() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) throw std::runtime_error("cannot find the test program");
  std::string s(path, static_cast<size_t>(n));
  return s.substr(0, s.rfind('/') + 1);
}
#endif

// The whole file, opened so that it does not matter whether a helper of the
// child process (Wine's console host) still has it open for writing.
std::string ReadShared(const std::string& path) {
  OsFile::Options o;
  o.share = OsFile::Share::kReadWrite;
  OsFile f = OsFile::Open(path, o);
  if (!f.IsOpen()) throw std::runtime_error("cannot read the output of the tool");
  std::string bytes(static_cast<size_t>(f.Size()), '\0');
  bytes.resize(static_cast<size_t>(f.Read(bytes.data(), static_cast<int64_t>(bytes.size()))));
  return bytes;
}

}  // namespace

ToolResult RunTool(const std::string& relative_path, const std::vector<std::string>& args) {
  testing_support::TempDir dir;
  const std::string out_path = dir / "stdout", err_path = dir / "stderr";
  ToolResult result;
#ifdef _WIN32
  std::wstring tool = OwnFolder() + enc::Wide(relative_path);
  for (wchar_t& c : tool) c = c == L'/' ? L'\\' : c;
  std::wstring command = Quote(tool);
  for (const std::string& a : args) command += L" " + Quote(std::wstring(reinterpret_cast<const wchar_t*>(enc::Utf8ToUtf16(a).c_str())));
  HANDLE out = InheritableFile(enc::Wide(out_path), true);
  HANDLE err = InheritableFile(enc::Wide(err_path), true);
  HANDLE in = InheritableFile(L"NUL", false);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = in;
  si.hStdOutput = out;
  si.hStdError = err;
  PROCESS_INFORMATION pi = {};
  const BOOL started = CreateProcessW(tool.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                      nullptr, &si, &pi);
  CloseHandle(out);
  CloseHandle(err);
  CloseHandle(in);
  if (!started) throw std::runtime_error("cannot start the tool");
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  result.code = static_cast<int>(code);
#else
  const std::string tool = OwnFolder() + relative_path;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(tool.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string out_native = fs::NativePath(out_path), err_native = fs::NativePath(err_path);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_native.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_native.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid;
  const int failed = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) throw std::runtime_error("cannot start " + tool);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  result.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
#endif
  result.out = ReadShared(out_path);
  result.err = ReadShared(err_path);
  return result;
}
