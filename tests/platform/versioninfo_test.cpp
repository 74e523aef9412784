#include "platform/os/versioninfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/testutil.h"

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// A minimal 32-bit Windows executable whose only content is a resource
// section holding a version resource: file version 1.2.3.4 and `flags`.
std::vector<uint8_t> MakePe(uint32_t flags) {
  constexpr size_t kPe = 0x40, kOpt = kPe + 24, kSec = kOpt + 224, kRes = 0x200;
  constexpr uint32_t kVa = 0x1000, kBlock = 0x58, kBlockLen = 92;
  const uint32_t resSize = kBlock + kBlockLen;
  std::vector<uint8_t> b(kRes + resSize, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, kPe);
  memcpy(&b[kPe], "PE\0\0", 4);
  Put16(b, kPe + 4, 0x14C);   // i386
  Put16(b, kPe + 6, 1);       // one section
  Put16(b, kPe + 20, 224);    // optional header size
  Put16(b, kOpt, 0x10B);      // PE32
  Put32(b, kOpt + 92, 16);    // data directories
  Put32(b, kOpt + 112, kVa);  // resource directory
  Put32(b, kOpt + 116, resSize);
  memcpy(&b[kSec], ".rsrc", 5);
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
  Put32(b, kRes + 0x4C, kBlockLen);
  // VS_VERSIONINFO with its fixed block.
  const size_t v = kRes + kBlock;
  Put16(b, v, kBlockLen);
  Put16(b, v + 2, 52);
  const char* key = "VS_VERSION_INFO";
  for (size_t i = 0; key[i]; ++i) Put16(b, v + 6 + 2 * i, static_cast<uint8_t>(key[i]));
  Put32(b, v + 40, 0xFEEF04BD);
  Put32(b, v + 44, 0x10000);
  Put32(b, v + 48, (1u << 16) | 2);
  Put32(b, v + 52, (3u << 16) | 4);
  Put32(b, v + 68, flags);
  return b;
}

class VersionInfoTest : public ::testing::Test {
 protected:
  std::string Write(const std::vector<uint8_t>& bytes, const char* name = "prog.exe") {
    qvtest::WriteFile(tmp_ / name, std::string(bytes.begin(), bytes.end()));
    return (tmp_ / name).string();
  }
  qvtest::TempDir tmp_;
};

TEST_F(VersionInfoTest, ReadsTheFixedBlockOfAnExecutable) {
  const std::string exe = Write(MakePe(VS_FF_DEBUG));
  DWORD handle = 7;
  const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &handle);
  ASSERT_EQ(size, 92u);
  EXPECT_EQ(handle, 0u);

  // The way the run reads it: an 8 KiB buffer searched word by word for
  // the signature of the fixed block.
  std::vector<uint8_t> buf(8192, 0xCC);
  ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, 8192, buf.data()));
  EXPECT_EQ(buf[size], 0xCC);
  size_t at = 0;
  for (size_t w = 0; w + 1 < size / 2; ++w) {
    if (buf[2 * w] == 0xBD && buf[2 * w + 1] == 0x04 && buf[2 * w + 2] == 0xEF &&
        buf[2 * w + 3] == 0xFE) {
      at = 2 * w;
      break;
    }
  }
  ASSERT_EQ(at, 40u);

  VS_FIXEDFILEINFO* info = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueA(buf.data(), "\\", reinterpret_cast<LPVOID*>(&info), &len));
  EXPECT_EQ(len, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(reinterpret_cast<uint8_t*>(info), buf.data() + 40);
  EXPECT_EQ(HIWORD(info->dwFileVersionMS), 1);
  EXPECT_EQ(LOWORD(info->dwFileVersionMS), 2);
  EXPECT_EQ(HIWORD(info->dwFileVersionLS), 3);
  EXPECT_EQ(LOWORD(info->dwFileVersionLS), 4);
  EXPECT_EQ(info->dwFileFlags & VS_FF_DEBUG, 1u);
  EXPECT_FALSE(VerQueryValueA(buf.data(), "\\StringFileInfo\\041104b0\\FileVersion",
                              reinterpret_cast<LPVOID*>(&info), &len));

  // A short buffer gets the head of the block, with the length word
  // lowered so a look-up stays inside it.
  std::vector<uint8_t> small(50);
  ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, 50, small.data()));
  EXPECT_EQ(small[0] | (small[1] << 8), 50);
  EXPECT_FALSE(VerQueryValueA(small.data(), "\\", reinterpret_cast<LPVOID*>(&info), &len));
  EXPECT_FALSE(GetFileVersionInfoA(exe.c_str(), 0, 5, small.data()));
}

TEST_F(VersionInfoTest, EverythingElseHasNoVersion) {
  EXPECT_EQ(GetFileVersionInfoSizeA("/proc/self/exe", nullptr), 0u);  // a Linux program
  EXPECT_EQ(GetFileVersionInfoSizeA(tmp_.str().c_str(), nullptr), 0u);  // a folder
  EXPECT_EQ(GetFileVersionInfoSizeA((tmp_.str() + "/missing.exe").c_str(), nullptr), 0u);
  EXPECT_EQ(GetFileVersionInfoSizeA(Write({'M', 'Z'}, "mz.exe").c_str(), nullptr), 0u);
  EXPECT_EQ(GetFileVersionInfoSizeA(Write({}, "empty.exe").c_str(), nullptr), 0u);
  std::vector<uint8_t> buf(8192);
  EXPECT_FALSE(GetFileVersionInfoA((tmp_.str() + "/missing.exe").c_str(), 0, 8192, buf.data()));

  // Every cut of a good file, and every byte of it damaged: no version or a
  // bounded one, never a crash or a read outside the file.
  const std::vector<uint8_t> good = MakePe(0);
  for (size_t n = 0; n < good.size(); ++n) {
    const std::string cut = Write(std::vector<uint8_t>(good.begin(), good.begin() + n), "cut.exe");
    ASSERT_EQ(GetFileVersionInfoSizeA(cut.c_str(), nullptr), 0u) << n;
  }
  for (size_t i = 0; i < good.size(); ++i) {
    std::vector<uint8_t> bad = good;
    bad[i] ^= 0xFF;
    const std::string path = Write(bad, "bad.exe");
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
    ASSERT_LE(size, 0x10000u);
    if (size == 0) continue;
    std::vector<uint8_t> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
    LPVOID value = nullptr;
    UINT len = 0;
    VerQueryValueA(block.data(), "\\", &value, &len);
  }
}

}  // namespace
