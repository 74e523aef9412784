// The SendTo program list, the link reader and the shortcut writer, on real
// files in a temporary folder mapped as drive T:.
#include "compare/SendTo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/ZEKApp.h"
#include "support/scripted_people.h"
#include "support/testutil.h"

namespace {

using qvtest::ReadFile;
using qvtest::WriteFile;

using qvtest::EnvVar;

// Link files laid out by hand.
std::string Le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
std::string Le32(unsigned v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }

std::string Header(unsigned flags) {
  std::string h = Le32(0x4C);
  h += std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
  h += Le32(flags);
  h += std::string(76 - h.size(), '\0');
  return h;
}
std::string WithSize(std::string block) {
  block.replace(0, 4, Le32(static_cast<unsigned>(block.size())));
  return block;
}
std::string LocalInfo(const std::string& base, const std::string& suffix) {
  const unsigned baseAt = 0x1C + 0x11;
  const unsigned suffixAt = baseAt + static_cast<unsigned>(base.size()) + 1;
  std::string i = Le32(0) + Le32(0x1C) + Le32(1) + Le32(0x1C) + Le32(baseAt) + Le32(0) + Le32(suffixAt);
  i += Le32(0x11) + Le32(3) + Le32(0) + Le32(0x10) + std::string(1, '\0');
  i += base + '\0' + suffix + '\0';
  return WithSize(i);
}
std::string NetworkInfo(const std::string& net, const std::string& suffix) {
  const unsigned suffixAt = 0x1C + 0x14 + static_cast<unsigned>(net.size()) + 1;
  std::string i = Le32(0) + Le32(0x1C) + Le32(2) + Le32(0) + Le32(0) + Le32(0x1C) + Le32(suffixAt);
  i += Le32(0x14 + static_cast<unsigned>(net.size()) + 1) + Le32(0) + Le32(0x14) + Le32(0) + Le32(0);
  i += net + '\0' + suffix + '\0';
  return WithSize(i);
}
std::string Item(const std::string& data) { return Le16(static_cast<unsigned>(data.size() + 2)) + data; }
std::string IdList(const std::string& drive, std::initializer_list<const char*> names) {
  std::string items = Item(std::string("\x2F") + drive + ":\\" + std::string(19, '\0'));
  for (const char* n : names) {
    std::string d = "\x31" + std::string(11, '\0') + n + '\0';
    if (d.size() % 2) d += '\0';
    items += Item(d);
  }
  items += Le16(0);
  return Le16(static_cast<unsigned>(items.size())) + items;
}
const std::string kTerminal = Le32(0);

class SendToTest : public ::testing::Test {
 protected:
  SendToTest() : drives_("QUARVEX_DRIVES", ("C=/;T=" + tmp_.str()).c_str()) {}

  // The target read from the link file `name` (code page 932, as the
  // test's literals are) of the temp folder;
  // "<null>" when none. A guard after the 1024 bytes must stay untouched.
  std::string Resolve(const std::string& name, size_t size = 1024) {
    std::vector<char> out(size + 64, '\x55');
    const std::string path = "T:\\" + name;
    char* r = ResolveShortcutFile(path.c_str(), out.data(), size);
    for (size_t i = size; i < out.size(); ++i) {
      if (out[i] != '\x55') {
        ADD_FAILURE() << "written past the buffer: " << name;
        break;
      }
    }
    if (r == nullptr) return "<null>";
    EXPECT_EQ(r, out.data());
    return r;
  }
  std::string Link(const std::string& name, const std::string& bytes) {
    WriteFile(tmp_ / qvtest::U8(name), bytes);
    return Resolve(name);
  }

  qvtest::TempDir tmp_;
  EnvVar drives_;
};

TEST_F(SendToTest, ResolvesLinkInfoAndIdLists) {
  // Local base path and suffix; the ID list in front is skipped.
  EXPECT_EQ(Link("a.lnk", Header(0x82) + LocalInfo("C:\\Tools\\", "x.exe") + kTerminal), "C:\\Tools\\x.exe");
  EXPECT_EQ(Link("b.lnk", Header(0x83) + IdList("D", {"elsewhere"}) + LocalInfo("C:\\表\\", "x.exe") + kTerminal),
            "C:\\表\\x.exe");
  // Network part only: net name, a backslash, the suffix.
  EXPECT_EQ(Link("c.lnk", Header(0x02) + NetworkInfo("\\\\server\\share", "dir\\x.exe")), "\\\\server\\share\\dir\\x.exe");
  // ForceNoLinkInfo: the ID list decides even with a LinkInfo present.
  EXPECT_EQ(Link("d.lnk", Header(0x103) + IdList("C", {"Tools", "y.exe"}) + LocalInfo("C:\\No\\", "z.exe")),
            "C:\\Tools\\y.exe");
  EXPECT_EQ(Link("e.lnk", Header(0x01) + IdList("C", {"Tools", "y.exe"})), "C:\\Tools\\y.exe");

  // Not links, or links without a usable target.
  EXPECT_EQ(Link("f.lnk", ""), "<null>");
  EXPECT_EQ(Link("g.lnk", "plain text that is long enough to hold a header of seventy-six bytes ......."),
            "<null>");
  std::string wrongClsid = Header(0x02) + LocalInfo("C:\\", "x");
  wrongClsid[19] = 0x47;
  EXPECT_EQ(Link("h.lnk", wrongClsid), "<null>");
  EXPECT_EQ(Link("i.lnk", Header(0x100) + LocalInfo("C:\\", "x")), "<null>");   // neither part
  EXPECT_EQ(Link("j.lnk", Header(0x102) + LocalInfo("C:\\", "x")), "<null>");   // LinkInfo forced off
  std::string noKind = LocalInfo("C:\\", "x");
  noKind[8] = 0;
  EXPECT_EQ(Link("k.lnk", Header(0x02) + noKind), "<null>");
  EXPECT_EQ(Link("l.lnk", Header(0x01) + Le16(2) + Le16(0)), "<null>");  // the desktop has no path
  EXPECT_EQ(Resolve("missing.lnk"), "<null>");
  std::filesystem::create_directories(tmp_ / "dir.lnk");
  EXPECT_EQ(Resolve("dir.lnk"), "<null>");
}

// A target longer than the buffer counts as unreadable, never cut.
TEST_F(SendToTest, OverlongTargetIsUnreadable) {
  const std::string base = "C:\\" + std::string(1000, 'a') + "\\";
  EXPECT_EQ(Link("fits.lnk", Header(0x02) + LocalInfo(base, std::string(1023 - base.size(), 'b'))).size(), 1023u);
  EXPECT_EQ(Link("long.lnk", Header(0x02) + LocalInfo(base, std::string(1024 - base.size(), 'b'))), "<null>");
  EXPECT_EQ(Link("base.lnk", Header(0x02) + LocalInfo(std::string(1100, 'a'), "")), "<null>");
  EXPECT_EQ(Link("net.lnk", Header(0x02) + NetworkInfo(std::string(1022, 'n'), "x")), "<null>");
  EXPECT_EQ(Link("net2.lnk", Header(0x02) + NetworkInfo(std::string(1021, 'n'), "x")).size(), 1023u);
  // A smaller buffer is honoured too.
  EXPECT_EQ(Resolve("fits.lnk", 16), "<null>");
  WriteFile(tmp_ / "id.lnk", Header(0x01) + IdList("C", {"Tools", "y.exe"}));
  EXPECT_EQ(Resolve("id.lnk", 14), "<null>");
  EXPECT_EQ(Resolve("id.lnk", 15), "C:\\Tools\\y.exe");
}

// Damaged links: every truncation and random byte flips give null or a
// bounded text, never a read outside the file.
TEST_F(SendToTest, DamagedLinksNeverReadOutside) {
  const std::string local = Header(0x83) + IdList("C", {"a", "b"}) + LocalInfo("C:\\Tools\\", "x.exe");
  const std::string network = Header(0x02) + NetworkInfo("\\\\srv\\share", "x.exe");
  const std::string idOnly = Header(0x101) + IdList("C", {"Tools", "y.exe"});
  for (const std::string* link : {&local, &network, &idOnly}) {
    // The last byte read is the end of the LinkInfo or ID list: every
    // shorter file is unreadable (bytes past the end of the file read as
    // zeros would otherwise end the texts).
    for (size_t n = 0; n < link->size(); ++n) {
      EXPECT_EQ(Link("t.lnk", link->substr(0, n)), "<null>") << n;
    }
    EXPECT_NE(Link("t.lnk", *link), "<null>");
  }

  std::mt19937 random(20240611);
  for (int round = 0; round < 1500; ++round) {
    std::string bytes = round % 3 == 0 ? local : round % 3 == 1 ? network : idOnly;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int f = 0; f < flips; ++f) {
      // Mostly the offsets and sizes after the header's CLSID.
      size_t at = 20 + random() % (bytes.size() - 20);
      bytes[at] = static_cast<char>(random() % 4 == 0 ? 0xFF : random());
    }
    std::string r = Link("f.lnk", bytes);
    EXPECT_LT(r.size(), 1024u);
  }
}

TEST_F(SendToTest, ScanListsFilesInFolderOrder) {
  const auto sendTo = tmp_ / "SendTo";
  WriteFile(sendTo / "Editor.lnk", Header(0x02) + LocalInfo("C:\\Tools\\", "edit.exe"));
  WriteFile(sendTo / "run.bat", "@echo off");
  WriteFile(sendTo / "tool.EXE", "");
  std::filesystem::create_directories(sendTo / "sub.exe");
  WriteFile(sendTo / "notepadexe", "");
  WriteFile(sendTo / "lnk", Header(0x02) + LocalInfo("C:\\", "bare.exe"));  // nothing but the ending
  WriteFile(sendTo / "bat", "");
  WriteFile(sendTo / "ab", "");
  WriteFile(sendTo / "broken.lnk", "garbage");
  WriteFile(sendTo / qvtest::U8("表示exe"), "");  // 表 ends in byte 0x5C; 示 is cut whole
  WriteFile(sendTo / qvtest::U8("ネnk"), "");     // ネ is 0x83 0x6C: its trail byte is no "l"

  CStringList names;
  CStringList paths;
  names.AddTail("kept");
  paths.AddTail("kept");
  ScanSendToFolder("T:\\SendTo", names, paths);

  const char* expectNames[] = {"kept", "ab", "bat", "broken", "Editor", "lnk", "notepa", "run", "tool.EXE", "ネnk", "表"};
  const char* expectPaths[] = {"kept", "T:\\SendTo\\ab", "T:\\SendTo\\bat", "", "C:\\Tools\\edit.exe", "C:\\bare.exe",
                               "T:\\SendTo\\notepadexe", "T:\\SendTo\\run.bat", "T:\\SendTo\\tool.EXE",
                               "T:\\SendTo\\ネnk", "T:\\SendTo\\表示exe"};
  ASSERT_EQ(names.GetCount(), static_cast<INT_PTR>(std::size(expectNames)));
  ASSERT_EQ(paths.GetCount(), names.GetCount());
  POSITION n = names.GetHeadPosition();
  POSITION p = paths.GetHeadPosition();
  for (size_t i = 0; i < std::size(expectNames); ++i) {
    EXPECT_EQ(names.GetNext(n), expectNames[i]) << i;
    EXPECT_EQ(paths.GetNext(p), expectPaths[i]) << i;
  }

  // A missing folder adds nothing.
  ScanSendToFolder("T:\\NoSuchFolder", names, paths);
  EXPECT_EQ(names.GetCount(), static_cast<INT_PTR>(std::size(expectNames)));
  EXPECT_EQ(paths.GetCount(), names.GetCount());
}

// What the settings page writes: the link resolves back to its target, and
// carries the arguments and working folder.
TEST_F(SendToTest, ShortcutRoundTrip) {
  WriteFile(tmp_ / "prog/Quarvex.exe", "");
  std::filesystem::create_directories(tmp_ / "prog/bin");
  const CString home = "T:\\\\prog\\";
  ShortcutSpec block;
  EXPECT_EQ(block.m_strLinkPath, "");
  block.m_strLinkPath.Format("%s\\bin\\%s.lnk", home.GetString(), "映画");
  block.m_strTarget = home + "\\Quarvex.exe";
  block.m_strWorkDir = home;
  block.m_strDescription = "Shortcut";
  block.m_strIconPath = home + "\\Quarvex.exe";
  block.m_strArguments.Format("-i:ini\\%s.ini", "映画");
  block.m_nShowCmd = 1;

  CShortcut shortcut;
  shortcut.Set(block);
  EXPECT_FALSE(shortcut.m_bDirty);
  EXPECT_EQ(shortcut.m_strArguments, "-i:ini\\映画.ini");
  EXPECT_EQ(Resolve("prog/bin/映画.lnk"), "T:\\prog\\Quarvex.exe");
  const std::string bytes = ReadFile(tmp_ / qvtest::U8("prog/bin/映画.lnk"));
  auto utf16 = [](std::u16string_view s) {
    std::string out;
    for (char16_t c : s) out += Le16(c);
    return out;
  };
  EXPECT_NE(bytes.find(utf16(u"-i:ini\\映画.ini")), std::string::npos);
  EXPECT_NE(bytes.find(Le16(9) + utf16(u"T:\\\\prog\\")), std::string::npos);
  EXPECT_EQ(bytes.substr(60, 4), Le32(1));

  // Nothing to write: TRUE, no file.
  CShortcut idle;
  idle.m_strLinkPath = "T:\\prog\\bin\\idle.lnk";
  EXPECT_TRUE(idle.Create());
  EXPECT_FALSE(std::filesystem::exists(tmp_ / "prog/bin/idle.lnk"));

  // A missing folder or an over-long link name: FALSE, the link stays to be written.
  block.m_strLinkPath = "T:\\prog\\nobin\\x.lnk";
  CShortcut failing;
  failing.Set(block);
  EXPECT_TRUE(failing.m_bDirty);
  EXPECT_FALSE(failing.Create());
  failing.m_strLinkPath = "T:\\prog\\bin\\" + CString('a', 250) + ".lnk";
  EXPECT_FALSE(failing.Create());
  failing.m_strLinkPath = "T:\\prog\\bin\\" + CString('a', 240) + ".lnk";
  EXPECT_TRUE(failing.Create());
  EXPECT_FALSE(failing.m_bDirty);
}

TEST_F(SendToTest, LoadSettingsFillsTheLists) {
  EnvVar temp("TEMP", tmp_.str().c_str());
  const auto prog = tmp_ / "prog";
  qv::SetModuleFileForTests((prog / "Quarvex.exe").string());
  WriteFile(prog / "Quarvex.exe", "");
  WriteFile(prog / "SendTo/Viewer.lnk", Header(0x02) + LocalInfo("C:\\Tools\\", "view.exe"));
  WriteFile(prog / "SendTo/run.bat", "");
  qvtest::ScriptedPeople people;

  // Filled before the settings file is looked for.
  {
    CZEKApp app;
    people.QueueAnswer(IDOK);
    EXPECT_FALSE(app.LoadSettings());
    EXPECT_EQ(app.m_listSendToName.GetCount(), 2);
  }

  WriteFile(prog / "Quarvex.ini", "[Quarvex]\r\nExtension_Kind_001=Quarvex\r\n");
  CZEKApp app;
  ASSERT_TRUE(app.LoadSettings());
  ASSERT_EQ(app.m_listSendToName.GetCount(), 2);
  ASSERT_EQ(app.m_listSendToPath.GetCount(), 2);
  EXPECT_EQ(app.m_listSendToName.GetHead(), "run");
  EXPECT_EQ(app.m_listSendToPath.GetHead(), "T:\\\\prog\\\\SendTo\\run.bat");
  EXPECT_EQ(app.m_listSendToName.GetTail(), "Viewer");
  EXPECT_EQ(app.m_listSendToPath.GetTail(), "C:\\Tools\\view.exe");
  qv::SetModuleFileForTests("");
}

}  // namespace
