#include "platform/os/volume.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/os/paths.h"
#include "support/drives.h"
#include "support/testutil.h"

namespace {

class VolumeTest : public ::testing::Test {
 protected:
  qvtest::TempDir tmp_;
  qvtest::DriveT drive_{tmp_};
};

TEST_F(VolumeTest, FreeSpaceOfTheFullPath) {
  std::filesystem::create_directories(tmp_ / "Video/2024");
  ULARGE_INTEGER avail{}, total{}, free{};
  ASSERT_TRUE(GetDiskFreeSpaceExA("T:\\VIDEO\\2024", &avail, &total, &free));
  EXPECT_GT(total.QuadPart, 0u);
  EXPECT_LE(free.QuadPart, total.QuadPart);
  EXPECT_LE(avail.QuadPart, free.QuadPart);
  EXPECT_EQ(total.LowPart, static_cast<DWORD>(total.QuadPart & 0xFFFFFFFFu));
  EXPECT_TRUE(GetDiskFreeSpaceExA("T:\\", nullptr, &total, nullptr));
  EXPECT_FALSE(GetDiskFreeSpaceExA("T:\\missing\\x", &avail, &total, &free));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(GetDiskFreeSpaceExA("Q:\\", &avail, &total, &free));
}

TEST_F(VolumeTest, VolumeInformationOfADriveRoot) {
  char name[256], fsName[256];
  DWORD serial = 0xDEADBEEF, maxLen = 0, flags = 0;
  ASSERT_TRUE(GetVolumeInformationA("T:\\", name, sizeof name, &serial, &maxLen, &flags, fsName,
                                    sizeof fsName));
  EXPECT_GT(std::strlen(fsName), 0u);
  EXPECT_EQ(maxLen, 255u);
  EXPECT_TRUE(flags & FILE_CASE_PRESERVED_NAMES);
  // The first three bytes of a folder are what callers pass.
  EXPECT_TRUE(GetVolumeInformationA("C:\\", nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0));
  char tiny[1];
  EXPECT_FALSE(GetVolumeInformationA("T:\\", nullptr, 0, nullptr, nullptr, nullptr, tiny, sizeof tiny));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  for (const char* bad : {"T:", "T:\\x", "\\\\s", "Q:\\", "abc"})
    EXPECT_FALSE(GetVolumeInformationA(bad, name, sizeof name, &serial, nullptr, nullptr, fsName,
                                       sizeof fsName))
        << bad;
}

TEST(VolumeRules, SerialNumbersAndFileSystemNames) {
  EXPECT_EQ(qv::VolumeSerialFromUuid("ABCD-1234", "vfat"), 0xABCD1234u);
  EXPECT_EQ(qv::VolumeSerialFromUuid("6a3f-00c1", "exfat"), 0x6A3F00C1u);
  EXPECT_EQ(qv::VolumeSerialFromUuid("0123456789ABCDEF", "ntfs"), 0x89ABCDEFu);
  EXPECT_EQ(qv::VolumeSerialFromUuid("3f1c2d4e-5b6a-4c7d-8e9f-a0b1c2d3e4f5", "ext4"), 0x3F1C2D4Eu);
  EXPECT_EQ(qv::VolumeSerialFromUuid("2011-01-01-12-00-00-00", "iso9660"), 0x20110101u);
  EXPECT_EQ(qv::VolumeSerialFromUuid("", "ext4"), 0u);
  EXPECT_EQ(qv::WindowsFileSystemName("vfat", "FAT32"), "FAT32");
  EXPECT_EQ(qv::WindowsFileSystemName("vfat", "FAT16"), "FAT");
  EXPECT_EQ(qv::WindowsFileSystemName("ntfs3", ""), "NTFS");
  EXPECT_EQ(qv::WindowsFileSystemName("iso9660", ""), "CDFS");
  EXPECT_EQ(qv::WindowsFileSystemName("udf", "2.01"), "UDF");
  EXPECT_EQ(qv::WindowsFileSystemName("exfat", ""), "exFAT");
  EXPECT_EQ(qv::WindowsFileSystemName("ext4", "1.0"), "ext4");
}

// Drive letters know a volume by this UUID: read from the file system's
// own boot sector (here a FAT image in a file, which libblkid probes as it
// does a device).
TEST(VolumeRules, UuidOfAFileSystem) {
  qvtest::TempDir tmp;
  std::string sector(512, '\0');
  const unsigned char head[] = {0xEB, 0x3C, 0x90, 'M', 'S', 'D', 'O', 'S', '5', '.', '0',
                                0x00, 0x02,              // 512 bytes a sector
                                0x04,                    // 4 sectors a cluster
                                0x01, 0x00,              // 1 reserved sector
                                0x02,                    // 2 FATs
                                0x00, 0x02,              // 512 root entries
                                0x00, 0x20,              // 8192 sectors
                                0xF8,                    // fixed disk
                                0x08, 0x00,              // 8 sectors a FAT
                                0x20, 0x00, 0x40, 0x00,  // geometry
                                0, 0, 0, 0, 0, 0, 0, 0,  // hidden and 32-bit sector counts
                                0x80, 0x00, 0x29,        // drive, reserved, extended signature
                                0xCD, 0xAB, 0x34, 0x12}; // serial 1234-ABCD
  std::memcpy(sector.data(), head, sizeof head);
  std::memcpy(sector.data() + 43, "NO NAME    FAT16   ", 19);
  sector[510] = '\x55';
  sector[511] = '\xAA';
  qvtest::WriteFile(tmp / "fat.img", sector);
  std::filesystem::resize_file(tmp / "fat.img", 8192 * 512);
  EXPECT_EQ(qv::VolumeUuid((tmp / "fat.img").string()), "1234-ABCD");
  EXPECT_EQ(qv::VolumeUuid((tmp / "missing").string()), "");
  qvtest::WriteFile(tmp / "zeros.img", std::string(8192, '\0'));
  EXPECT_EQ(qv::VolumeUuid((tmp / "zeros.img").string()), "");
}

}  // namespace
