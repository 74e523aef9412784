#include "platform/base/codepage.h"

#include <iconv.h>

#include <cerrno>

namespace qv {
namespace {

// One converter per direction and thread; iconv descriptors are not
// thread-safe and opening them costs more than converting a path.
class Converter {
 public:
  Converter(const char* to, const char* from)
      : cd_(iconv_open(to, from)), fromUtf8_(std::string_view(from) == "UTF-8") {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts `in`. A sequence the other side cannot hold fails the
  // conversion, or becomes `replacement`, or (`windows`, code page 932 to
  // UTF-8 only) becomes what Windows' own conversion makes of it.
  bool Run(std::string_view in, std::string& out, const char* replacement, bool windows = false) {
    out.clear();
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    // ASCII is the same in both encodings and ends no character: the
    // leading run of it (most of a path) is copied, not converted.
    size_t ascii = 0;
    while (ascii < in.size() && static_cast<unsigned char>(in[ascii]) < 0x80) ++ascii;
    out.append(in.data(), ascii);
    char* src = const_cast<char*>(in.data()) + ascii;
    size_t srcLeft = in.size() - ascii;
    bool clean = true;
    char buf[1024];
    while (srcLeft > 0) {
      char* dst = buf;
      size_t dstLeft = sizeof buf;
      size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buf, static_cast<size_t>(dst - buf));
      if (r != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      if (fromUtf8_ ? AppendWindowsOnlyByte(src, srcLeft, out) : AppendWindowsOnlyCharacter(src, srcLeft, out))
        continue;
      // EILSEQ or EINVAL (a lead byte without its trail at the end).
      clean = false;
      if (windows && !fromUtf8_) {
        AppendAsWindows(src, srcLeft, out);
        continue;
      }
      if (!replacement) return false;
      out.append(replacement);
      // Skip one whole character of the source: a UTF-8 sequence with its
      // continuation bytes, or a code page 932 lead byte with its trail.
      const unsigned char first = static_cast<unsigned char>(*src);
      ++src;
      --srcLeft;
      if (fromUtf8_) {
        while (srcLeft > 0 && (static_cast<unsigned char>(*src) & 0xC0) == 0x80) {
          ++src;
          --srcLeft;
        }
      } else if (IsCp932Lead(first) && srcLeft > 0 &&
                 static_cast<unsigned char>(*src) >= 0x40) {
        ++src;
        --srcLeft;
      }
    }
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
    out.append(buf, static_cast<size_t>(dst - buf));
    return clean;
  }

 private:
  // Windows' table of code page 932 holds five single bytes that iconv's
  // lacks: 0x80 is U+0080, and 0xA0, 0xFD, 0xFE, 0xFF are the private-use
  // characters U+F8F0-U+F8F3 (UTF-8 EF A3 B0-B3). A file named with them
  // on Windows holds those characters, so both directions know them.
  static bool AppendWindowsOnlyCharacter(char*& src, size_t& srcLeft, std::string& out) {
    const unsigned char at = static_cast<unsigned char>(*src);
    if (at == 0x80) {
      out.append("\xC2\x80");
    } else if (at == 0xA0 || at >= 0xFD) {
      out.append("\xEF\xA3");
      out.push_back(static_cast<char>(at == 0xA0 ? 0xB0 : 0xB1 + (at - 0xFD)));
    } else {
      return false;
    }
    ++src;
    --srcLeft;
    return true;
  }
  static bool AppendWindowsOnlyByte(char*& src, size_t& srcLeft, std::string& out) {
    const auto at = [&](size_t i) { return static_cast<unsigned char>(src[i]); };
    if (srcLeft >= 2 && at(0) == 0xC2 && at(1) == 0x80) {
      out.push_back('\x80');
      src += 2;
      srcLeft -= 2;
      return true;
    }
    if (srcLeft >= 3 && at(0) == 0xEF && at(1) == 0xA3 && at(2) >= 0xB0 && at(2) <= 0xB3) {
      static const char kBytes[] = {'\xA0', '\xFD', '\xFE', '\xFF'};
      out.push_back(kBytes[at(2) - 0xB0]);
      src += 3;
      srcLeft -= 3;
      return true;
    }
    return false;
  }

  // The code page 932 bytes at `src` that no table holds a character for,
  // as Windows' conversion reads them: a lead byte takes the byte after it
  // (any but the end of the text), and the pair, or a lead byte at the end
  // alone, is the default character U+30FB.
  static void AppendAsWindows(char*& src, size_t& srcLeft, std::string& out) {
    const unsigned char at = static_cast<unsigned char>(*src);
    const size_t used = IsCp932Lead(at) && srcLeft > 1 && src[1] != '\0' ? 2 : 1;
    out.append("\xE3\x83\xBB");  // U+30FB
    src += used;
    srcLeft -= used;
  }

  iconv_t cd_;
  bool fromUtf8_;
};

Converter& ToUtf8() {
  thread_local Converter c("UTF-8", "CP932");
  return c;
}
Converter& ToCp932() {
  thread_local Converter c("CP932", "UTF-8");
  return c;
}

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

bool Cp932ToUtf8(std::string_view in, std::string& out) {
  if (IsAscii(in)) {
    out.assign(in);
    return true;
  }
  return ToUtf8().Run(in, out, nullptr);
}

bool Utf8ToCp932(std::string_view in, std::string& out) {
  if (IsAscii(in)) {
    out.assign(in);
    return true;
  }
  return ToCp932().Run(in, out, nullptr);
}

std::string Cp932ToUtf8Lossy(std::string_view in) {
  std::string out;
  if (IsAscii(in)) return std::string(in);
  ToUtf8().Run(in, out, "\xEF\xBF\xBD");
  return out;
}

std::string Cp932ToUtf8AsWindows(std::string_view in) {
  std::string out;
  if (IsAscii(in)) return std::string(in);
  ToUtf8().Run(in, out, nullptr, true);
  return out;
}

std::string Utf8ToCp932Lossy(std::string_view in) {
  std::string out;
  if (IsAscii(in)) return std::string(in);
  ToCp932().Run(in, out, "?");
  return out;
}

}  // namespace qv
