// Small helpers shared by the tests: temporary folders on the real file
// system and readable output of code page 932 texts.
#pragma once

#include <gtest/gtest.h>
#include <utime.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/codepage.h"

namespace qvtest {

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "qvtest-XXXXXX").string();
    char* made = mkdtemp(tmpl.data());
    if (made) path_ = made;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  // A path below the folder; `rel` is UTF-8 with '/' separators.
  std::filesystem::path operator/(std::string_view rel) const { return path_ / std::string(rel); }

 private:
  std::filesystem::path path_;
};

// UTF-8 text of a code page 932 string, for failure messages.
inline std::string U8(std::string_view cp932) { return qv::Cp932ToUtf8Lossy(cp932); }

// Code page 932 bytes of a UTF-8 text (test literals are code page 932
// already; this serves texts that come from the file system).
inline std::string Cp(std::string_view utf8) { return qv::Utf8ToCp932Lossy(utf8); }

inline void WriteFile(const std::filesystem::path& p, std::string_view bytes) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream f(p, std::ios::binary);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// `text` with every "\n" as "\r\n", the way text-mode output writes it.
inline std::string Crlf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// The lines, each ended by CR LF, as a settings file holds them.
template <typename Lines>
inline std::string CrlfLines(const Lines& lines) {
  std::string s;
  for (const auto& l : lines) {
    s += l;
    s += "\r\n";
  }
  return s;
}
inline std::string CrlfLines(std::initializer_list<std::string_view> lines) {
  return CrlfLines<std::initializer_list<std::string_view>>(lines);
}

// Sets the access and modification times of `p` to `t`.
inline void SetMtime(const std::filesystem::path& p, time_t t) {
  struct utimbuf times {t, t};
  ASSERT_EQ(utime(p.c_str(), &times), 0) << p;
}

// Sets (or, with nullptr, unsets) an environment variable for the life of
// the object, then puts back what was there.
class EnvVar {
 public:
  EnvVar(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~EnvVar() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  EnvVar(const EnvVar&) = delete;
  EnvVar& operator=(const EnvVar&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace qvtest
