// Hand-built byte strings of the document encoding, and helpers to run the
// archive over them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "records/Archive.h"

namespace rectest {

// Little-endian bytes written field by field.
struct Bytes {
  std::string s;
  Bytes& u8(unsigned v) {
    s += static_cast<char>(v & 0xFF);
    return *this;
  }
  Bytes& u16(unsigned v) { return u8(v).u8(v >> 8); }
  Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  Bytes& raw(std::string_view b) {
    s += b;
    return *this;
  }
  Bytes& zeros(size_t n) {
    s.append(n, '\0');
    return *this;
  }
  // A byte string with the length prefix of the writer: 1 byte up to 254,
  // FF + WORD up to 0xFFFD, FF FFFF + DWORD beyond.
  Bytes& str(std::string_view b) {
    if (b.size() < 0xFF) {
      u8(static_cast<unsigned>(b.size()));
    } else if (b.size() < 0xFFFE) {
      u8(0xFF).u16(static_cast<unsigned>(b.size()));
    } else {
      u8(0xFF).u16(0xFFFF).u32(static_cast<uint32_t>(b.size()));
    }
    return raw(b);
  }
};

// Encoded size of a byte string, prefix included.
inline size_t StrSize(size_t n) { return n < 0xFF ? 1 + n : n < 0xFFFE ? 3 + n : 7 + n; }

inline std::string Stored(const CArchive& ar) {
  const auto& v = ar.GetStoredData();
  return std::string(reinterpret_cast<const char*>(v.data()), v.size());
}

// Cause of the archive failure thrown by f, -1 when none, -2 for a file
// failure.
template <class F>
int CauseOf(F&& f) {
  try {
    f();
  } catch (const CArchiveException& e) {
    return e.m_cause;
  } catch (const CFileException&) {
    return -2;
  }
  return -1;
}

inline std::string Hex(std::string_view b) {
  static const char* d = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : b) {
    if (!out.empty()) out += ' ';
    out += d[c >> 4];
    out += d[c & 15];
  }
  return out;
}

}  // namespace rectest
