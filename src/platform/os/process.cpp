#include "platform/os/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>

#include "platform/base/codepage.h"
#include "platform/os/environment.h"
#include "platform/os/paths.h"
#include "platform/os/starts.h"

extern char** environ;

#ifndef ERROR_DIRECTORY
#define ERROR_DIRECTORY 267
#endif

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLead(const char* p) { return qv::IsCp932Lead(static_cast<unsigned char>(p[0])) && p[1]; }

// A descriptor that tells when the process has ended (readable), or -1
// where the kernel has none; waits then fall back to polling.
int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  const long fd = syscall(SYS_pidfd_open, pid, 0);
  return fd >= 0 ? static_cast<int>(fd) : -1;
#else
  (void)pid;
  return -1;
#endif
}

// True once `pid` has been reaped here, or cannot be waited for any more
// (ECHILD: somebody set SIGCHLD to be ignored and the kernel reaped it).
bool ReapIfEnded(pid_t pid, int& status) {
  for (;;) {
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) return true;
    if (r == 0) return false;
    if (errno == EINTR) continue;
    status = 0;
    return true;
  }
}

// Waits for the children whose handles were closed while they still ran.
class Reaper {
 public:
  static void Adopt(pid_t pid, int pidfd) {
    Reaper& r = Instance();
    {
      std::lock_guard<std::mutex> lock(r.mutex_);
      r.orphans_.push_back({pid, pidfd});
    }
    if (r.wake_ >= 0) {
      const uint64_t one = 1;
      while (write(r.wake_, &one, sizeof one) < 0 && errno == EINTR) {
      }
    }
  }

 private:
  struct Orphan {
    pid_t pid;
    int pidfd;
  };

  Reaper() : wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    std::thread([this] { Run(); }).detach();
  }
  // Lives until the program ends, as does its thread.
  static Reaper& Instance() {
    static Reaper* reaper = new Reaper();
    return *reaper;
  }

  void Run() {
    std::vector<pollfd> fds;
    for (;;) {
      fds.clear();
      if (wake_ >= 0) fds.push_back({wake_, POLLIN, 0});
      bool tick = wake_ < 0;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Orphan& o : orphans_) {
          if (o.pidfd >= 0) {
            fds.push_back({o.pidfd, POLLIN, 0});
          } else {
            tick = true;
          }
        }
      }
      poll(fds.data(), fds.size(), tick ? 200 : -1);
      if (wake_ >= 0) {
        uint64_t n;
        while (read(wake_, &n, sizeof n) < 0 && errno == EINTR) {
        }
      }
      std::lock_guard<std::mutex> lock(mutex_);
      std::erase_if(orphans_, [](const Orphan& o) {
        int status;
        if (!ReapIfEnded(o.pid, status)) return false;
        if (o.pidfd >= 0) close(o.pidfd);
        return true;
      });
    }
  }

  const int wake_;
  std::mutex mutex_;
  std::vector<Orphan> orphans_;
};

long long NowMs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

class ProcessObject : public qv::HandleObject {
 public:
  ProcessObject(pid_t pid, int pidfd) : pid_(pid), pidfd_(pidfd) {}
  ~ProcessObject() override {
    if (!ended_ && !ReapIfEnded(pid_, status_)) {
      Reaper::Adopt(pid_, pidfd_);
    } else if (pidfd_ >= 0) {
      close(pidfd_);
    }
  }

  bool Ended() {
    if (!ended_) ended_ = ReapIfEnded(pid_, status_);
    return ended_;
  }

  DWORD Wait(DWORD ms) {
    const long long deadline = NowMs() + ms;
    while (!Ended()) {
      long long left = INT_MAX;
      if (ms != INFINITE) {
        left = deadline - NowMs();
        if (left <= 0) return WAIT_TIMEOUT;
      }
      // Without a process descriptor, look again every 10 ms.
      pollfd p{pidfd_, POLLIN, 0};
      const int timeout = static_cast<int>(std::min<long long>(left, pidfd_ >= 0 ? INT_MAX : 10));
      if (poll(&p, pidfd_ >= 0 ? 1 : 0, timeout) < 0 && errno != EINTR) return WAIT_FAILED;
    }
    return WAIT_OBJECT_0;
  }

  DWORD ExitCode() {
    if (!Ended()) return STILL_ACTIVE;
    if (WIFEXITED(status_)) return static_cast<DWORD>(WEXITSTATUS(status_));
    if (WIFSIGNALED(status_)) return 128u + static_cast<DWORD>(WTERMSIG(status_));
    return 1;
  }

  // Ends the process (a process already ended, or not yet reaped, is left
  // as it is: the kill reaches no other process while it is not reaped).
  bool Kill() {
    if (Ended()) return true;
    if (pidfd_ >= 0) return syscall(SYS_pidfd_send_signal, pidfd_, SIGKILL, nullptr, 0) == 0 || errno == ESRCH;
    return kill(pid_, SIGKILL) == 0 || errno == ESRCH;
  }

 private:
  const pid_t pid_;
  const int pidfd_;
  bool ended_ = false;
  int status_ = 0;
};

// Linux has no thread handle of a new process; this one only has to be
// closable.
class ThreadObject : public qv::HandleObject {};

ProcessObject* LookupProcess(HANDLE h) {
  return dynamic_cast<ProcessObject*>(qv::LookupHandle(h));
}

bool EndsWithExe(std::string_view s) {
  if (s.size() < 4) return false;
  std::string tail(s.substr(s.size() - 4));
  for (char& c : tail) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return tail == ".exe";
}

bool IsRunnable(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string Absolute(std::string path) {
  if (path.empty() || path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) return path;
  std::string out(cwd);
  if (out.back() != '/') out += '/';
  return out + path;
}

// A program named without a folder, looked for along PATH (also without
// a ".exe" the name may carry). `name` is UTF-8.
DWORD SearchPath(const std::string& name, std::string& out) {
  std::vector<std::string> names{name};
  if (EndsWithExe(name)) names.push_back(name.substr(0, name.size() - 4));
  const char* path = getenv("PATH");
  std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  for (;;) {
    const size_t colon = dirs.find(':');
    const std::string_view dir = colon == 0 || dirs.empty() ? "." : dirs.substr(0, colon);
    for (const std::string& n : names) {
      std::string full(dir);
      full.append("/").append(n);
      if (IsRunnable(full)) {
        out = Absolute(std::move(full));
        return 0;
      }
    }
    if (colon == std::string_view::npos) return ERROR_FILE_NOT_FOUND;
    dirs.remove_prefix(colon + 1);
  }
}

// A program named without a folder that PATH does not hold, looked for in
// the Windows folder (SystemRoot: the stand-ins beside the program), as
// Windows finds its own programs there (notepad, for one).
bool SearchSystemRoot(const std::string& name, std::string& out) {
  char root[4096];
  const DWORD n = GetEnvironmentVariableA("SystemRoot", root, sizeof root);
  std::string folder;
  if (n == 0 || n >= sizeof root || !qv::ToOsPath(root, folder)) return false;
  std::vector<std::string> names{name};
  if (EndsWithExe(name)) names.push_back(name.substr(0, name.size() - 4));
  for (const std::string& candidate : names) {
    std::string full = folder + "/" + candidate;
    if (IsRunnable(full)) {
      out = Absolute(std::move(full));
      return true;
    }
  }
  return false;
}

// Why a Linux path that does not exist is missing: its folder is there
// (file not found) or not (path not found).
DWORD MissingReason(const std::string& osPath) {
  const size_t slash = osPath.find_last_of('/', osPath.size() > 1 ? osPath.size() - 2 : 0);
  const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : osPath.substr(0, slash);
  struct stat st;
  return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_FILE_NOT_FOUND
                                                               : ERROR_PATH_NOT_FOUND;
}

// The Linux path of a Windows one. Bytes that are not code page 932 are
// read as Windows reads them when it starts a program (a lead byte with the
// byte after it as "・"), so the path names what it names there.
bool ToOsPathAsStarted(const std::string& path, std::string& out) {
  if (qv::ToOsPath(path.c_str(), out)) return true;
  std::string read;
  return qv::Utf8ToCp932(qv::Cp932ToUtf8AsWindows(path), read) && read != path &&
         qv::ToOsPath(read.c_str(), out);
}

// The Linux path of the program named by `token` (code page 932); 0 or the
// Windows error of a start failure.
DWORD ResolveProgram(const std::string& token, bool search, std::string& out) {
  if (token.empty()) return ERROR_FILE_NOT_FOUND;
  bool hasFolder = token.size() >= 2 && token[1] == ':';
  for (const char* p = token.c_str(); *p && !hasFolder; ++p) {
    if (*p == '\\' || *p == '/') hasFolder = true;
    if (IsLead(p)) ++p;
  }
  if (!hasFolder && search) {
    const std::string name = qv::Cp932ToUtf8AsWindows(token);
    const DWORD err = SearchPath(name, out);
    return err != 0 && SearchSystemRoot(name, out) ? 0 : err;
  }
  if (!ToOsPathAsStarted(token, out)) {
    const DWORD err = GetLastError();
    return err ? err : ERROR_PATH_NOT_FOUND;
  }
  qv::DropExeSuffixIfMissing(out);
  out = Absolute(std::move(out));
  struct stat st;
  if (stat(out.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? ERROR_ACCESS_DENIED : 0;
  if (errno == ENOENT) return MissingReason(out);
  return errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : qv::WinErrorFromErrno(errno);
}

// "X:", "X:\..." or "X:/...": a Windows path the child must see as a
// Linux one.
bool IsDrivePath(const std::string& a) {
  const unsigned char c = static_cast<unsigned char>(a.empty() ? 0 : a[0]);
  return a.size() >= 2 && ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') && a[1] == ':' &&
         (a.size() == 2 || a[2] == '\\' || a[2] == '/');
}

// A Windows path or a Linux one ("/tmp/x", which the program may have
// joined with backslashes as "/tmp/x\\OLD\\a") reaches the child as a Linux
// path; any other argument as its UTF-8 text. Bytes that are not code page
// 932 are converted as Windows converts a command line, never refused.
std::string ArgumentToOs(const std::string& arg) {
  std::string out;
  if ((IsDrivePath(arg) || (!arg.empty() && arg[0] == '/')) && ToOsPathAsStarted(arg, out)) return out;
  return qv::Cp932ToUtf8AsWindows(arg);
}

// Standard output and error of the child: shared with this program, or
// the given descriptors (-1: /dev/null).
struct StdHandles {
  bool redirect = false;
  int out = -1;
  int err = -1;
};

// posix_spawn reports an exec failure as its result, so every start
// failure is known here.
int Spawn(const std::vector<std::string>& argv, const StdHandles& io, const std::string& dir,
          pid_t& pid) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  if (io.redirect) {
    if (io.out >= 0) {
      posix_spawn_file_actions_adddup2(&fa, io.out, STDOUT_FILENO);
    } else {
      posix_spawn_file_actions_addopen(&fa, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    if (io.err >= 0) {
      posix_spawn_file_actions_adddup2(&fa, io.err, STDERR_FILENO);
    } else {
      posix_spawn_file_actions_addopen(&fa, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
  }
  posix_spawn_file_actions_addopen(&fa, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (!dir.empty()) posix_spawn_file_actions_addchdir_np(&fa, dir.c_str());
  posix_spawn_file_actions_addclosefrom_np(&fa, STDERR_FILENO + 1);

  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  sigdelset(&all, SIGKILL);
  sigdelset(&all, SIGSTOP);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);

  int rc;
  {
    // Until the child runs its program it holds copies of this program's
    // open files (see starts.h).
    qv::StartUnderway underway;
    rc = posix_spawn(&pid, argv[0].c_str(), &fa, &attr, args.data(), environ);
  }
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&fa);
  return rc;
}

// The Windows error of an exec failure of a program that exists.
DWORD SpawnError(int rc) {
  switch (rc) {
    case ENOENT:   // a script's interpreter or the loader is missing
    case ENOEXEC:
    case ELIBBAD:
      return ERROR_BAD_FORMAT;
    case EACCES:
    case EPERM:
      return ERROR_ACCESS_DENIED;
    case E2BIG:
      return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM:
    case EAGAIN:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return qv::WinErrorFromErrno(rc);
  }
}

// Windows' search for a program path with blanks that is not quoted: the
// blank-separated prefixes of the line are tried, shortest first, until one
// names a program ("T:\\sp dir\\prog.exe a" starts "T:\\sp dir\\prog.exe" with
// the argument "a"). The first prefix was tried already; a quote ends the
// search. On success `args` holds the program and the rest of the line's
// arguments.
bool SearchBlankPrefixes(std::string_view line, std::vector<std::string>& args, std::string& program) {
  size_t start = 0;
  while (start < line.size() && IsBlank(line[start])) ++start;
  const std::string text(line.substr(start));
  if (text.empty() || text[0] == '"') return false;
  bool first = true;
  for (size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : '\0';
    if (c == '"') return false;
    if (c != '\0' && !IsBlank(c)) {
      if (IsLead(text.c_str() + i)) ++i;
      continue;
    }
    if (i == 0 || IsBlank(text[i - 1])) continue;  // inside a run of blanks
    if (first) {  // the program token itself
      first = false;
      continue;
    }
    const std::string candidate = text.substr(0, i);
    std::string found;
    if (ResolveProgram(candidate, true, found) != 0) continue;
    program = std::move(found);
    args = qv::SplitArguments(text.substr(i));
    args.insert(args.begin(), candidate);
    return true;
  }
  return false;
}

// The program a command line names, as Windows finds it: a line that
// begins with a quote names the file up to the closing quote, whatever
// follows that quote ("\"T:\\q b\\p.exe\"x y" names T:\q b\p.exe, while the
// C runtime's argv[0] is "T:\q b\p.exex"); otherwise the first argument.
std::string ModuleOfLine(std::string_view line, const std::vector<std::string>& args) {
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i == line.size() || line[i] != '"') return args.empty() ? std::string() : args[0];
  const size_t start = ++i;
  while (i < line.size() && line[i] != '"') i += qv::IsCp932Lead(static_cast<unsigned char>(line[i])) ? 2 : 1;
  return std::string(line.substr(start, std::min(i, line.size()) - start));
}

// Resolves, converts and starts; 0 or the Windows error.
DWORD Start(LPCSTR app, LPCSTR cmdLine, LPCSTR currentDir, const StdHandles& io, pid_t& pid) {
  const std::string_view line = cmdLine ? cmdLine : "";
  std::vector<std::string> args = qv::SplitCommandLine(line);
  std::string program;
  DWORD err = app ? ResolveProgram(app, false, program)
                  : args.empty() ? ERROR_FILE_NOT_FOUND : ResolveProgram(ModuleOfLine(line, args), true, program);
  if (err && !app && !args.empty() && SearchBlankPrefixes(cmdLine, args, program)) err = 0;
  if (err) return err;

  std::string dir;
  if (currentDir && *currentDir) {
    if (!qv::ToOsPath(currentDir, dir)) return ERROR_DIRECTORY;
    struct stat st;
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_DIRECTORY;
  }

  std::vector<std::string> argv{program};
  for (size_t i = 1; i < args.size(); ++i) argv.push_back(ArgumentToOs(args[i]));
  const int rc = Spawn(argv, io, dir, pid);
  return rc ? SpawnError(rc) : 0;
}

// Starts without keeping a handle: the reaper takes the child.
DWORD StartDetached(LPCSTR cmdLine) {
  pid_t pid;
  const DWORD err = Start(nullptr, cmdLine, nullptr, StdHandles{}, pid);
  if (!err) Reaper::Adopt(pid, OpenPidFd(pid));
  return err;
}

HINSTANCE ShellResult(intptr_t code) { return reinterpret_cast<HINSTANCE>(code); }

}  // namespace

namespace qv {
namespace {

// The arguments after the program, from `p` on (zero-terminated).
void SplitArgumentsInto(const char* p, std::vector<std::string>& out) {
  std::string arg;
  for (;;) {
    while (IsBlank(*p)) ++p;
    if (!*p) return;
    arg.clear();
    bool quoted = false;
    for (;;) {
      size_t backslashes = 0;
      while (*p == '\\') {
        ++backslashes;
        ++p;
      }
      bool literal = true;
      if (*p == '"') {
        if (backslashes % 2 == 0) {
          if (quoted && p[1] == '"') {
            ++p;  // "" inside quotes: one literal quote
          } else {
            literal = false;
            quoted = !quoted;
          }
        }
        backslashes /= 2;
      }
      arg.append(backslashes, '\\');
      if (!*p || (!quoted && IsBlank(*p))) break;
      if (literal) {
        if (IsLead(p)) arg += *p++;
        arg += *p;
      }
      ++p;
    }
    out.push_back(std::move(arg));
  }
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view cmdLine) {
  std::vector<std::string> out;
  const std::string line(cmdLine);  // zero-terminated for the look-ahead
  const char* p = line.c_str();
  while (IsBlank(*p)) ++p;
  if (!*p) return out;

  // The program: quotes group, no backslash rules.
  std::string arg;
  bool quoted = false;
  while (*p && (quoted || !IsBlank(*p))) {
    if (*p == '"') {
      quoted = !quoted;
      ++p;
      continue;
    }
    if (IsLead(p)) arg += *p++;
    arg += *p++;
  }
  out.push_back(std::move(arg));
  SplitArgumentsInto(p, out);
  return out;
}

std::vector<std::string> SplitArguments(std::string_view args) {
  std::vector<std::string> out;
  const std::string text(args);  // zero-terminated for the look-ahead
  SplitArgumentsInto(text.c_str(), out);
  return out;
}

}  // namespace qv

void GetStartupInfoA(LPSTARTUPINFOA info) {
  if (!info) return;
  memset(info, 0, sizeof *info);
  info->cb = sizeof *info;
}

BOOL CreateProcessA(LPCSTR app, LPSTR cmdLine, SECURITY_ATTRIBUTES*, SECURITY_ATTRIBUTES*, BOOL,
                    DWORD, LPVOID environment, LPCSTR currentDir, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInfo) {
  if (processInfo) memset(processInfo, 0, sizeof *processInfo);
  if ((!app && !cmdLine) || environment || !startupInfo || !processInfo) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  StdHandles io;
  if (startupInfo->dwFlags & STARTF_USESTDHANDLES) {
    io.redirect = true;
    io.out = qv::HandleFd(startupInfo->hStdOutput);
    io.err = qv::HandleFd(startupInfo->hStdError);
  }
  pid_t pid;
  const DWORD err = Start(app, cmdLine, currentDir, io, pid);
  if (err) {
    SetLastError(err);
    return FALSE;
  }
  processInfo->hProcess = qv::RegisterHandle(new ProcessObject(pid, OpenPidFd(pid)));
  processInfo->hThread = qv::RegisterHandle(new ThreadObject());
  processInfo->dwProcessId = static_cast<DWORD>(pid);
  processInfo->dwThreadId = static_cast<DWORD>(pid);
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD ms) {
  ProcessObject* process = LookupProcess(handle);
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return process->Wait(ms);
}

BOOL GetExitCodeProcess(HANDLE handle, LPDWORD exitCode) {
  ProcessObject* process = LookupProcess(handle);
  if (!process || !exitCode) {
    SetLastError(process ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *exitCode = process->ExitCode();
  return TRUE;
}

BOOL TerminateProcess(HANDLE handle, UINT) {
  ProcessObject* process = LookupProcess(handle);
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return process->Kill() ? TRUE : FALSE;
}

UINT WinExec(LPCSTR cmdLine, UINT) {
  const DWORD err = StartDetached(cmdLine);
  if (!err) return 33;
  return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND ? err : ERROR_BAD_FORMAT;
}

HINSTANCE ShellExecuteA(HWND, LPCSTR verb, LPCSTR file, LPCSTR, LPCSTR dir, INT) {
  if (verb && strcasecmp(verb, "open") != 0 && strcasecmp(verb, "explore") != 0)
    return ShellResult(SE_ERR_NOASSOC);
  if (!file || !*file) return ShellResult(SE_ERR_FNF);

  std::string target;
  const std::string_view f(file);
  const bool url = f.find("://") != std::string_view::npos || strncasecmp(file, "mailto:", 7) == 0;
  if (url) {
    if (!qv::Cp932ToUtf8(f, target)) return ShellResult(SE_ERR_FNF);
  } else {
    if (!qv::ToOsPath(file, target)) return ShellResult(SE_ERR_PNF);
    struct stat st;
    if (stat(target.c_str(), &st) != 0)
      return ShellResult(errno == ENOENT ? MissingReason(Absolute(target)) : SE_ERR_PNF);
  }
  std::string opener;
  if (SearchPath("xdg-open", opener) != 0) return ShellResult(SE_ERR_NOASSOC);

  std::string osDir;
  if (dir && *dir) {
    struct stat st;
    if (!qv::ToOsPath(dir, osDir) || stat(osDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
      return ShellResult(SE_ERR_PNF);
  }
  pid_t pid;
  if (Spawn({opener, target}, StdHandles{}, osDir, pid) != 0) return ShellResult(SE_ERR_NOASSOC);
  Reaper::Adopt(pid, OpenPidFd(pid));
  return ShellResult(42);
}

namespace qv {

bool StartedProgramFile(const char* app, ProgramFile& out) {
  out = ProgramFile();
  std::string file;
  if (app == nullptr || ResolveProgram(app, false, file) != 0) return false;
  const size_t slash = file.find_last_of('/');
  const std::string folder = slash == 0 ? "/" : file.substr(0, slash);
  char* real = realpath(file.c_str(), nullptr);
  char* realFolder = realpath(folder.c_str(), nullptr);
  struct stat st, fst;
  const bool ok = real != nullptr && realFolder != nullptr && stat(real, &st) == 0 && stat(realFolder, &fst) == 0;
  if (ok) {
    out.path = real;
    out.folder = realFolder;
    out.id = FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
    out.folderId = FileIdentity{static_cast<uint64_t>(fst.st_dev), static_cast<uint64_t>(fst.st_ino)};
  }
  free(real);
  free(realFolder);
  return ok;
}

}  // namespace qv
