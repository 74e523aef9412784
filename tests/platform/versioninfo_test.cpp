#include "platform/os/versioninfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/pe_image.h"
#include "support/testutil.h"

namespace {

// The executable the tests read: file version 1.2.3.4 and `flags`.
std::vector<uint8_t> MakePe(uint32_t flags) {
  const std::string b = qvtest::MakeVersionPe(92, 40, flags, 4);
  return std::vector<uint8_t>(b.begin(), b.end());
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
