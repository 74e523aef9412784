// The shell link writer's bytes and the ID-list-to-path conversion.
#include "platform/os/shelllink.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/os/files.h"
#include "support/testutil.h"

namespace {

using qvtest::ReadFile;
using qvtest::WriteFile;

std::string Le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
std::string Le32(unsigned v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
unsigned Get16(const std::vector<BYTE>& b, size_t at) { return b.at(at) | (b.at(at + 1) << 8); }
unsigned Get32(const std::vector<BYTE>& b, size_t at) { return Get16(b, at) | (Get16(b, at + 2) << 16); }
std::string Str(const std::vector<BYTE>& b, size_t at, size_t n) {
  return std::string(reinterpret_cast<const char*>(b.data()) + at, n);
}
std::string Utf16(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) out += Le16(c);
  return out;
}

class DriveMap {
 public:
  explicit DriveMap(const std::string& root) {
    if (const char* old = getenv("QUARVEX_DRIVES")) old_ = old;
    setenv("QUARVEX_DRIVES", ("C=/;T=" + root).c_str(), 1);
  }
  ~DriveMap() {
    if (old_) {
      setenv("QUARVEX_DRIVES", old_->c_str(), 1);
    } else {
      unsetenv("QUARVEX_DRIVES");
    }
  }

 private:
  std::optional<std::string> old_;
};

// Header, LinkInfo and string data of a link to a drive path, against
// bytes laid out by hand.
TEST(ShellLinkWriter, LocalTargetBytes) {
  qvtest::TempDir tmp;
  DriveMap drives(tmp.str());
  qv::ShellLinkWriter link;
  link.SetPath("Z:\\\\Tools\\\\x.exe");  // no such drive: no volume facts, no target facts
  link.SetWorkingDirectory("Z:\\Tools");
  link.SetIconLocation("Z:\\Tools\\x.exe", 2);
  link.SetDescription("説明");
  link.SetArguments("-i:ini\\a.ini");
  link.SetHotkey(0x0341);
  link.SetShowCmd(7);
  std::vector<BYTE> b;
  ASSERT_TRUE(link.Build(b));

  std::string header = Le32(0x4C);
  header += std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
  header += Le32(0xF6);                // LinkInfo, name, working dir, arguments, icon, Unicode
  header += Le32(0);                   // attributes: the target does not exist
  header += std::string(24, '\0');     // times
  header += Le32(0);                   // size
  header += Le32(2) + Le32(7) + Le16(0x0341) + std::string(10, '\0');
  ASSERT_GE(b.size(), 76u);
  EXPECT_EQ(Str(b, 0, 76), header);

  std::string info = Le32(0) + Le32(0x1C) + Le32(1) + Le32(0x1C) + Le32(0x2D) + Le32(0) + Le32(0x3C);
  info += Le32(0x11) + Le32(3) + Le32(0) + Le32(0x10) + std::string(1, '\0');  // VolumeID
  info += std::string("Z:\\Tools\\x.exe", 14) + '\0';                          // folded
  info += '\0';                                                                // suffix
  info.replace(0, 4, Le32(static_cast<unsigned>(info.size())));
  EXPECT_EQ(Str(b, 76, info.size()), info);

  std::string strings = Le16(2) + Utf16(u"説明");
  strings += Le16(8) + Utf16(u"Z:\\Tools");
  strings += Le16(12) + Utf16(u"-i:ini\\a.ini");
  strings += Le16(14) + Utf16(u"Z:\\Tools\\x.exe");
  strings += Le32(0);  // terminal block
  EXPECT_EQ(Str(b, 76 + info.size(), b.size() - 76 - info.size()), strings);
}

TEST(ShellLinkWriter, TargetKindsAndHeaderFields) {
  qvtest::TempDir tmp;
  DriveMap drives(tmp.str());
  WriteFile(tmp / "prog/Quarvex.exe", std::string(1234, 'x'));

  // An existing target: archive attribute, its size and write time.
  qv::ShellLinkWriter local;
  local.SetPath("T:\\prog\\Quarvex.exe");
  local.SetShowCmd(0);  // not a show command of the format: stored as normal
  std::vector<BYTE> b;
  ASSERT_TRUE(local.Build(b));
  EXPECT_EQ(Get32(b, 20), 0x82u);
  EXPECT_EQ(Get32(b, 24), static_cast<unsigned>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(Get32(b, 52), 1234u);
  EXPECT_NE(Get32(b, 44) | Get32(b, 48), 0u);
  EXPECT_EQ(Get32(b, 60), 1u);

  // A doubled backslash after a character whose trail byte lies in the range
  // of lead bytes (0x89 0x98) is still folded.
  qv::ShellLinkWriter trail;
  trail.SetPath("T:\\\x89\x98\\\\x.exe");
  ASSERT_TRUE(trail.Build(b));
  EXPECT_EQ(Str(b, 76 + Get32(b, 76 + 16), 12), std::string("T:\\\x89\x98\\x.exe\0", 12));

  // A network path: share as net name, the rest as suffix.
  qv::ShellLinkWriter net;
  net.SetPath("\\\\server\\share\\\\dir\\x.exe");
  ASSERT_TRUE(net.Build(b));
  EXPECT_EQ(Get32(b, 20), 0x82u);
  const size_t info = 76;
  EXPECT_EQ(Get32(b, info + 8), 2u);
  const size_t netLink = info + Get32(b, info + 20);
  EXPECT_EQ(Str(b, netLink + Get32(b, netLink + 8), 15), std::string("\\\\server\\share\0", 15));
  EXPECT_EQ(Str(b, info + Get32(b, info + 24), 10), std::string("dir\\x.exe\0", 10));

  // A relative target: no LinkInfo, the relative path string instead.
  qv::ShellLinkWriter rel;
  rel.SetPath("tools\\x.exe");
  ASSERT_TRUE(rel.Build(b));
  EXPECT_EQ(Get32(b, 20), 0x88u);
  EXPECT_EQ(Str(b, 76, 2 + 22), Le16(11) + Utf16(u"tools\\x.exe"));

  // A text that is not code page 932 cannot be written.
  qv::ShellLinkWriter bad;
  bad.SetPath("T:\\x.exe");
  bad.SetDescription("\x81");
  EXPECT_FALSE(bad.Build(b));
  EXPECT_FALSE(bad.Save("T:\\bad.lnk"));
  EXPECT_FALSE(std::filesystem::exists(tmp / "bad.lnk"));
}

TEST(ShellLinkWriter, SaveReplacesAndFailsCleanly) {
  qvtest::TempDir tmp;
  DriveMap drives(tmp.str());
  WriteFile(tmp / "a.lnk", "old");
  qv::ShellLinkWriter link;
  link.SetPath("T:\\x.exe");
  std::vector<BYTE> b;
  ASSERT_TRUE(link.Build(b));
  ASSERT_TRUE(link.Save("T:\\a.lnk"));
  EXPECT_EQ(ReadFile(tmp / "a.lnk"), Str(b, 0, b.size()));

  EXPECT_FALSE(link.Save("T:\\missing\\a.lnk"));
  EXPECT_NE(GetLastError(), 0u);
  std::filesystem::create_directories(tmp / "dir.lnk");
  EXPECT_FALSE(link.Save("T:\\dir.lnk"));
}

// ID lists as the shell writes them: a "My Computer" root, a drive and
// file-system items.
std::string Item(const std::string& data) { return Le16(static_cast<unsigned>(data.size() + 2)) + data; }
std::string Root(const char* clsid16) { return Item(std::string("\x1F\x50", 2) + std::string(clsid16, 16)); }
const char kMyComputer[] = "\xE0\x4F\xD0\x20\xEA\x3A\x69\x10\xA2\xD8\x08\x00\x2B\x30\x30\x9D";
std::string Drive(char letter) { return Item(std::string("\x2F") + letter + ":\\" + std::string(19, '\0')); }
std::string FsItem(unsigned char type, const std::string& name) {
  std::string d(1, static_cast<char>(type));
  d += std::string(11, '\0') + name + '\0';
  if (d.size() % 2) d += '\0';
  return Item(d);
}
// A file item with a short name and an extension block (version 9) holding
// the long name.
std::string LongItem(const std::string& shortName, std::u16string_view longName) {
  std::string d = "\x32" + std::string(11, '\0') + shortName + '\0';
  if (d.size() % 2) d += '\0';
  const size_t extAt = d.size() + 2;
  std::string ext = Le16(0) + Le16(9) + Le32(0xBEEF0004) + std::string(8, '\0') + Le16(0x2E);
  ext += std::string(0x2E - ext.size(), '\0');
  ext += Utf16(longName) + Le16(0);
  ext += Le16(static_cast<unsigned>(extAt));
  ext.replace(0, 2, Le16(static_cast<unsigned>(ext.size())));
  return Item(d + ext);
}
std::string Path(const std::string& list) {
  char out[MAX_PATH + 16];
  memset(out, 'Z', sizeof out);
  BOOL ok = SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(list.data()), out);
  EXPECT_EQ(out[MAX_PATH + 15], 'Z');
  if (!ok) {
    EXPECT_EQ(out[0], 0);
    return "<fail>";
  }
  return out;
}

TEST(IdList, DriveAndFileSystemItems) {
  const std::string end = Le16(0);
  EXPECT_EQ(Path(Root(kMyComputer) + Drive('C') + FsItem(0x31, "Tools") + FsItem(0x32, "x.exe") + end),
            "C:\\Tools\\x.exe");
  EXPECT_EQ(Path(Drive('d') + end), "d:\\");
  EXPECT_EQ(Path(Drive('C') + FsItem(0x31, "PROGRA~1") + LongItem("表示~1.TXT", u"表示の説明.txt") + end),
            "C:\\PROGRA~1\\表示の説明.txt");
  // A long name code page 932 cannot hold falls back to the short name.
  EXPECT_EQ(Path(Drive('C') + LongItem("CAFE~1.TXT", u"caf\u00e9.txt") + end), "C:\\CAFE~1.TXT");
  // A Unicode primary name.
  EXPECT_EQ(Path(Drive('C') + Item(std::string("\x36") + std::string(11, '\0') + Utf16(u"名前") + Le16(0)) + end),
            "C:\\名前");

  // Lists the conversion does not understand.
  EXPECT_EQ(Path(end), "<fail>");                                                   // the desktop
  EXPECT_EQ(Path(Root("0123456789abcdef") + Drive('C') + end), "<fail>");           // another root
  EXPECT_EQ(Path(FsItem(0x31, "Tools") + end), "<fail>");                           // no drive
  EXPECT_EQ(Path(Drive('C') + Drive('D') + end), "<fail>");                         // two drives
  EXPECT_EQ(Path(Drive('C') + Item("\x71zz") + end), "<fail>");                 // unknown item
  EXPECT_EQ(Path(Drive('C') + Item(std::string("\x31") + std::string(13, 'a')) + end), "<fail>");  // no zero
  std::string deep = Drive('C');
  for (int i = 0; i < 30; ++i) deep += FsItem(0x31, "folder_name");
  EXPECT_EQ(Path(deep + end), "<fail>");  // MAX_PATH bytes or more
}

TEST(IdList, FitsOnlyWhenTheEndIsInside) {
  const std::string list = Drive('C') + FsItem(0x32, "x.exe") + Le16(0);
  EXPECT_TRUE(qv::IdListFits(list.data(), list.size()));
  for (size_t n = 0; n < list.size(); ++n) EXPECT_FALSE(qv::IdListFits(list.data(), n)) << n;
  const std::string empty = Item("") + Le16(0);
  EXPECT_TRUE(qv::IdListFits(empty.data(), empty.size()));
  std::string small = Le16(1) + Le16(0);
  EXPECT_FALSE(qv::IdListFits(small.data(), small.size()));  // a count below 2
}

}  // namespace
