// A minimal 32-bit Windows executable holding a version resource, for the
// tests of version look-ups.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace qvtest {

inline void Put16(std::string& b, size_t at, uint32_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// An executable whose only content is a resource section holding one
// version block of `blockLen` bytes, with the fixed block (file version
// 1.2.3.`build` and `flags`) at `fixedAt` within it; a fixed block that does
// not fit the block is left out or cut short.
inline std::string MakeVersionPe(uint32_t blockLen, uint32_t fixedAt, uint32_t flags, uint32_t build) {
  constexpr size_t kPe = 0x40, kOpt = kPe + 24, kSec = kOpt + 224, kRes = 0x200;
  constexpr uint32_t kVa = 0x1000, kBlock = 0x58;
  const uint32_t resSize = kBlock + blockLen;
  std::string b(kRes + resSize, '\0');
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, kPe);
  std::memcpy(&b[kPe], "PE\0\0", 4);
  Put16(b, kPe + 4, 0x14C);   // i386
  Put16(b, kPe + 6, 1);       // one section
  Put16(b, kPe + 20, 224);    // optional header size
  Put16(b, kOpt, 0x10B);      // PE32
  Put32(b, kOpt + 92, 16);    // data directories
  Put32(b, kOpt + 112, kVa);  // resource directory
  Put32(b, kOpt + 116, resSize);
  std::memcpy(&b[kSec], ".rsrc", 5);
  Put32(b, kSec + 8, resSize);
  Put32(b, kSec + 12, kVa);
  Put32(b, kSec + 16, resSize);
  Put32(b, kSec + 20, kRes);
  // Type 16 (RT_VERSION) -> name 1 -> language 0x411 -> data entry.
  Put16(b, kRes + 0x0E, 1);
  Put32(b, kRes + 0x10, 16);
  Put32(b, kRes + 0x14, 0x80000000u | 0x18);
  Put16(b, kRes + 0x18 + 0x0E, 1);
  Put32(b, kRes + 0x28, 1);
  Put32(b, kRes + 0x2C, 0x80000000u | 0x30);
  Put16(b, kRes + 0x30 + 0x0E, 1);
  Put32(b, kRes + 0x40, 0x411);
  Put32(b, kRes + 0x44, 0x48);
  Put32(b, kRes + 0x48, kVa + kBlock);
  Put32(b, kRes + 0x4C, blockLen);
  // VS_VERSIONINFO with its fixed block.
  const size_t v = kRes + kBlock;
  Put16(b, v, blockLen & 0xFFFF);
  Put16(b, v + 2, 52);
  const char* key = "VS_VERSION_INFO";
  for (size_t i = 0; key[i]; ++i) Put16(b, v + 6 + 2 * i, static_cast<uint8_t>(key[i]));
  if (fixedAt + 4 <= blockLen) Put32(b, v + fixedAt, 0xFEEF04BD);
  if (fixedAt + 52 <= blockLen) {
    Put32(b, v + fixedAt + 4, 0x10000);
    Put32(b, v + fixedAt + 8, (1u << 16) | 2);
    Put32(b, v + fixedAt + 12, (3u << 16) | build);
    Put32(b, v + fixedAt + 28, flags);
  }
  return b;
}

}  // namespace qvtest
