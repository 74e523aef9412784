// Fuzz target of the shell links: the program's reader of link files, and
// the layer's writer read back by it. The first byte chooses:
//  even: the rest is a link file; the reader must give a target that fits
//        its buffer, or nothing;
//  odd:  the rest is a target path (made valid code page 932); a link the
//        writer builds for "Q:\" followed by it must read back as that path
//        with its runs of backslashes folded.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "compare/SendTo.h"
#include "fuzz/fuzz_support.h"
#include "platform/base/codepage.h"
#include "platform/os/shelllink.h"

namespace {

using qvfuzz::Require;

bool IsTrail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// The bytes as a path text the writer can take: no zero bytes, whole
// double-byte characters, no single bytes code page 932 lacks.
std::string PathText(const uint8_t* p, size_t n) {
  std::string out;
  for (size_t i = 0; i < n && out.size() < 900; ++i) {
    const unsigned char c = p[i];
    if (qv::IsCp932Lead(c)) {
      if (i + 1 < n && IsTrail(p[i + 1])) {
        out += static_cast<char>(c);
        out += static_cast<char>(p[++i]);
      } else {
        out += 'x';
      }
    } else if (c == 0 || c == 0xA0 || c >= 0xFD) {
      out += '_';
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// Runs of backslashes folded to one (a trail byte 0x5C is no backslash).
std::string FoldBackslashes(const std::string& s) {
  std::string out;
  bool afterSeparator = false;
  for (size_t i = 0; i < s.size(); ++i) {
    if (qv::IsCp932Lead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
      out += s[i];
      out += s[++i];
      afterSeparator = false;
    } else if (s[i] == '\\') {
      if (!afterSeparator) out += s[i];
      afterSeparator = true;
    } else {
      out += s[i];
      afterSeparator = false;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool drives = (setenv("QUARVEX_DRIVES", "C=/", 1), true);  // Q: is no drive: no volume probe
  (void)drives;
  if (size == 0) return 0;
  const std::string link = qvfuzz::Work().File("l.lnk");
  char target[1024];
  if ((data[0] & 1) == 0) {
    qvfuzz::WriteBytes(link, data + 1, size - 1);
    if (ResolveShortcutFile(link.c_str(), target, sizeof target) != nullptr) {
      Require(std::memchr(target, 0, sizeof target) != nullptr);
    }
    return 0;
  }
  const std::string path = "Q:\\" + PathText(data + 1, size - 1);
  qv::ShellLinkWriter writer;
  writer.SetPath(path.c_str());
  writer.SetDescription("fuzz");
  std::vector<BYTE> bytes;
  if (!writer.Build(bytes)) {
    // Only text that Unicode cannot hold is refused.
    std::string utf8;
    Require(!qv::Cp932ToUtf8(path, utf8));
    return 0;
  }
  qvfuzz::WriteBytes(link, bytes.data(), bytes.size());
  Require(ResolveShortcutFile(link.c_str(), target, sizeof target) != nullptr);
  Require(target == FoldBackslashes(path));
  return 0;
}
