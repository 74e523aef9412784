// Fuzz target of the settings-file reader and writer. An input is a file's
// bytes, then (after a zero byte) a write request "section\0key\0value".
// Checks: what a successful write wrote reads back; a refused write leaves
// the file byte for byte; a write never changes what any other key reads.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/base/codepage.h"
#include "platform/os/profile.h"

namespace {

using qvfuzz::Require;

// Sections and keys compare as the reader compares them: ASCII letters of
// single-byte characters without regard to case.
std::string Fold(std::string_view s) {
  std::string out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (qv::IsCp932Lead(c)) {
      ++i;
    } else if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::vector<std::string> Names(const char* section, const char* file) {
  static std::vector<char> buf(1 << 20);
  GetPrivateProfileStringA(section, nullptr, "", buf.data(), static_cast<DWORD>(buf.size()), file);
  std::vector<std::string> out;
  for (const char* p = buf.data(); *p; p += std::strlen(p) + 1) out.emplace_back(p);
  return out;
}

std::string Value(const char* section, const char* key, const char* file) {
  static std::vector<char> buf(1 << 20);
  GetPrivateProfileStringA(section, key, "\x01missing", buf.data(), static_cast<DWORD>(buf.size()), file);
  return buf.data();
}

// Every key the reader finds: (folded section, folded key) -> value.
std::map<std::pair<std::string, std::string>, std::string> Everything(const char* file) {
  std::map<std::pair<std::string, std::string>, std::string> all;
  for (const std::string& s : Names(nullptr, file)) {
    for (const std::string& k : Names(s.c_str(), file)) {
      all.emplace(std::make_pair(Fold(Trim(s)), Fold(Trim(k))), Value(s.c_str(), k.c_str(), file));
    }
  }
  return all;
}

std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  size_t cut = in.find('\0');
  const std::string_view bytes = in.substr(0, cut);
  std::string request[3] = {"S", "K", "v"};
  for (int i = 0; i < 3 && cut != std::string_view::npos; ++i) {
    const size_t next = in.find('\0', cut + 1);
    request[i] = std::string(in.substr(cut + 1, next == std::string_view::npos ? std::string_view::npos : next - cut - 1));
    cut = next;
  }

  // A fresh name each time: the reader keeps what it parsed per path.
  static unsigned counter = 0;
  const std::string path = qvfuzz::Work().File("s" + std::to_string(counter++ % 64) + ".ini");
  qvfuzz::WriteBytes(path, bytes.data(), bytes.size());
  const char* file = path.c_str();

  const auto before = Everything(file);
  const BOOL written = WritePrivateProfileStringA(request[0].c_str(), request[1].c_str(), request[2].c_str(), file);
  const std::pair<std::string, std::string> target(Fold(Trim(request[0])), Fold(Trim(request[1])));
  if (!written) {
    Require(ReadAll(path) == bytes);
  } else {
    // The reader drops blanks and one pair of quotes around a value.
    std::string_view expected = Trim(request[2]);
    if (expected.size() >= 2 && (expected.front() == '"' || expected.front() == '\'') &&
        expected.back() == expected.front())
      expected = expected.substr(1, expected.size() - 2);
    Require(Value(request[0].c_str(), request[1].c_str(), file) == expected);
  }
  auto after = Everything(file);
  after.erase(target);
  auto unchanged = before;
  unchanged.erase(target);
  Require(after == unchanged);
  std::remove(file);
  return 0;
}
