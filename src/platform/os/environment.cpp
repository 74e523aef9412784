#include "platform/os/environment.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/codepage.h"
#include "platform/os/paths.h"
#include "platform/os/system.h"

namespace {

// The stand-in folder: "system" in the folder of the running program,
// Windows-shaped.
std::string StandInFolder() {
  char module[4096];
  const DWORD n = GetModuleFileNameA(nullptr, module, sizeof module);
  if (n == 0 || n >= sizeof module) return std::string();
  std::string_view path(module, n);
  size_t slash = std::string_view::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '\\') slash = i;
    if (qv::IsCp932Lead(static_cast<unsigned char>(path[i]))) ++i;
  }
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1)) + "system";
}

// A value from the OS in code page 932; Linux paths become Windows-shaped.
bool ToCp932(std::string value, bool isPath, std::string& out) {
  if (isPath && !value.empty() && value[0] == '/') {
    while (value.size() > 1 && value.back() == '/') value.pop_back();
    return qv::FromOsPath(value, out);
  }
  return qv::Utf8ToCp932(value, out);
}

DWORD CopyOut(const std::string& value, LPSTR buf, DWORD size) {
  if (value.size() + 1 > size) {
    if (buf && size > 0) buf[0] = '\0';
    return static_cast<DWORD>(value.size() + 1);
  }
  memcpy(buf, value.c_str(), value.size() + 1);
  return static_cast<DWORD>(value.size());
}

}  // namespace

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buf, DWORD size) {
  if (!name || (!buf && size > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const bool temp = strcmp(name, "TEMP") == 0;
  const bool systemRoot = strcmp(name, "SystemRoot") == 0;
  const char* raw = getenv(name);
  std::string out;
  if (!raw && systemRoot) {
    out = StandInFolder();
    if (!out.empty()) return CopyOut(out, buf, size);
  }
  std::string value;
  if (raw) {
    value = raw;
  } else if (temp) {
    const char* tmpdir = getenv("TMPDIR");
    value = tmpdir && *tmpdir ? tmpdir : "/tmp";
  } else {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  if (!ToCp932(std::move(value), temp || systemRoot, out)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  return CopyOut(out, buf, size);
}

BOOL GetUserNameA(LPSTR buf, LPDWORD size) {
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  long bufLen = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> scratch(bufLen > 0 ? static_cast<size_t>(bufLen) : 4096);
  passwd pw;
  passwd* found = nullptr;
  int rc;
  while ((rc = getpwuid_r(geteuid(), &pw, scratch.data(), scratch.size(), &found)) == ERANGE)
    scratch.resize(scratch.size() * 2);
  if (rc != 0 || !found) {  // no entry for this user id
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  std::string name;
  if (!qv::Utf8ToCp932(found->pw_name, name)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return FALSE;
  }
  if (!buf || name.size() + 1 > *size) {
    *size = static_cast<DWORD>(name.size() + 1);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  memcpy(buf, name.c_str(), name.size() + 1);
  *size = static_cast<DWORD>(name.size() + 1);
  return TRUE;
}
