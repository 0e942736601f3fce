#include "common/run_tool.h"

#include <stdexcept>
#include <thread>

#ifdef _WIN32
#include <windows.h>

#include "base/encoding.h"
#include "base/sjis.h"
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace testing_support {

#ifdef _WIN32

namespace {

std::wstring QuoteArg(const std::wstring& a) {
  // The C runtime's rules: backslashes before a quote are doubled.
  std::wstring out = L"\"";
  size_t slashes = 0;
  for (wchar_t c : a) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    if (c == L'"') out.append(slashes * 2 + 1, L'\\');
    else out.append(slashes, L'\\');
    slashes = 0;
    out += c;
  }
  out.append(slashes * 2, L'\\');
  return out + L"\"";
}

std::wstring FromUtf8(const std::string& s) {
  const std::u16string u = enc::Utf8ToUtf16(s);
  return std::wstring(u.begin(), u.end());
}

void Drain(HANDLE pipe, std::string* into) {
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(pipe, buf, sizeof buf, &got, nullptr) && got > 0) into->append(buf, got);
}

}  // namespace

ToolResult RunTool(const std::string& exe, const std::vector<std::string>& args) {
  std::string path = exe;
  if (!path.empty() && path[0] == '/') path = "Z:" + sjis::ReplaceChar(path, '/', '\\');
  std::wstring command = QuoteArg(FromUtf8(path));
  for (const auto& a : args) command += L" " + QuoteArg(FromUtf8(a));

  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE out_read, out_write, err_read, err_write;
  if (!CreatePipe(&out_read, &out_write, &sa, 0) || !CreatePipe(&err_read, &err_write, &sa, 0))
    throw std::runtime_error("CreatePipe failed");
  SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = out_write;
  si.hStdError = err_write;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
    throw std::runtime_error("cannot start " + exe);
  CloseHandle(out_write);
  CloseHandle(err_write);
  ToolResult r;
  std::thread err_reader(Drain, err_read, &r.err);
  Drain(out_read, &r.out);
  err_reader.join();
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  r.exit_code = static_cast<int>(code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  CloseHandle(out_read);
  CloseHandle(err_read);
  return r;
}

#else

namespace {

void Drain(int fd, std::string* into) {
  char buf[65536];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    into->append(buf, static_cast<size_t>(n));
  }
}

}  // namespace

ToolResult RunTool(const std::string& exe, const std::vector<std::string>& args) {
  int out_pipe[2], err_pipe[2];
  if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    close(out_pipe[0]);
    close(out_pipe[1]);
    close(err_pipe[0]);
    close(err_pipe[1]);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(exe.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  ToolResult r;
  std::thread err_reader(Drain, err_pipe[0], &r.err);
  Drain(out_pipe[0], &r.out);
  err_reader.join();
  close(out_pipe[0]);
  close(err_pipe[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

#endif

}  // namespace testing_support
