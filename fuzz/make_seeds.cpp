// Writes the seed corpora of the fuzz targets, one sub-folder per target:
// documents of several shapes stored by the program's own document class,
// settings files, profile texts, links written by the layer's writer, diff
// output, an executable with a version resource, texts and command lines.
//
//   qvx_make_seeds FOLDER
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/ZEKApp.h"
#include "platform/os/ddesocket.h"
#include "platform/os/shelllink.h"
#include "platform/ui/prompt.h"
#include "support/pe_image.h"
#include "records/Comment.h"
#include "records/EnvLabel.h"
#include "records/FileInfo.h"
#include "records/ZEKDoc.h"

namespace {

// Gives the entry `n` merge records with a comment each.
void AddRecords(CZEKDoc& doc, CZEKEnv_Label& entry, int n, int state) {
  entry.FreeRecords();
  entry.m_pRecordList = new CObList;
  entry.m_pTotals = new CZEKMergeSRCInfo;
  for (int i = 0; i < n; ++i) {
    auto* r = new CZEKMergeFileInfo;
    r->m_Old.m_nExists = 1;
    r->m_Old.m_strName.Format("DVD\\Title %03d", i);
    r->m_Old.m_tCreate = 1700000000 + i;
    r->m_Old.m_tAccess = 1700000100 + i;
    r->m_Old.m_tModify = 1700000200 + i;
    r->m_Old.m_dwSize = 4096u * static_cast<DWORD>(i);
    r->m_New.m_strName = r->m_Old.m_strName;
    if (i % 2) {
      r->m_New.m_nExists = 1;
      r->m_New.m_dwLines = 10u + static_cast<DWORD>(i);
      r->m_New.m_strVersion = "1.0.0.1";
    }
    r->m_nType = 1 + i % 3;
    r->m_nExist = (i % 2) ? 3 : 2;
    r->m_nChgLines = i;
    r->m_nRangeChgLeft = -i;
    doc.m_Comment.AddNew();
    r->m_nCommentIndex = doc.m_Comment.GetCount() - 1;
    CComment_Data_Obj* c = doc.m_Comment.GetAt(r->m_nCommentIndex);
    c->SetKey(r->m_Old.m_strName);
    c->m_strComment.Format("comment %d", i);
    entry.m_pRecordList->AddTail(r);
  }
  for (int row = 0; row < CZEKMergeSRCInfo::kRows; ++row) {
    entry.m_pTotals->m_Row[row].m_dwCount[1] = static_cast<DWORD>(n);
    entry.m_pTotals->m_Row[row].m_dwCount[2] = static_cast<DWORD>(row * 100);
  }
  entry.m_nRecordCount = n;
  entry.m_nState = state;
}

bool Put(const std::filesystem::path& folder, const char* name, const std::string& bytes) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::ofstream f(folder / name, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

// Seeds of the readers other than the document's.
bool WriteReaderSeeds(const std::filesystem::path& root) {
  using namespace std::string_literals;
  bool ok = true;
  const std::filesystem::path ini = root / "ini";
  ok &= Put(ini, "program.ini",
            "; settings\r\n[Quarvex]\r\nCommand_Excel=C:\\calc.exe\r\nDefault_Comment=コメントを入力できます。\r\n"
            "Extension_Kind_001=Quarvex\r\n\r\n[Quarvex]\r\nDup=2\r\n[表示]\r\n Odd = ' quoted ' \r\n"s +
                "\0Quarvex\0Default_Comment\0\"\"a\\r\\nb\"\""s);
  ok &= Put(ini, "bare_cr.ini", "[S]\r\nA=1\r"s + "\0S\0B\0two"s);
  ok &= Put(ini, "lf.ini", "[s]\nk=v\nlf=1"s + "\0NEW\0K\0v"s);

  const std::filesystem::path profile = root / "profile_text";
  ok &= Put(profile, "plain.txt",
            "Quarvex\n－－－－－　対象拡張子\ntxt\nc\n－－－－－　対象ファイル名称\nmakefile\n"
            "－－－－－　対象外拡張子\nbak\n－－－－－　対象外フォルダ名称\n　　無し　　\n");

  const std::filesystem::path links = root / "shelllink";
  int n = 0;
  for (const char* target : {"C:\\Tools\\\\viewer.exe", "\\\\server\\share\\dir\\x.exe", "relative\\x.exe", "/usr/bin/x"}) {
    qv::ShellLinkWriter writer;
    writer.SetPath(target);
    writer.SetWorkingDirectory("C:\\Tools");
    writer.SetArguments("-a \"b c\"");
    writer.SetDescription("viewer");
    writer.SetIconLocation("C:\\Tools\\viewer.exe", 1);
    std::vector<BYTE> bytes;
    ok &= writer.Build(bytes);
    ok &= Put(links, ("link" + std::to_string(++n) + ".lnk").c_str(), "\0"s + std::string(bytes.begin(), bytes.end()));
  }
  ok &= Put(links, "path.txt", "\x01表\\\\ソ\\dir\\file.exe");

  const std::filesystem::path diff = root / "diff";
  const std::string rule(118, '-');
  std::string header;
  for (int i = 0; i < 2; ++i) header += rule + "\n          ファイル名：T:\\x\n          修正日：2024/01/01 (Mon)  00:00:00\n" + rule + "\n";
  ok &= Put(diff, "gnu.diff", "\x02" + header + "2c2\n< two\n---\n> 2\n3a4\n> four\n5,6d6\n< five\n< six\n");
  ok &= Put(diff, "hunks.bin", "\x01\x05\x01\x02\x03\x04\x05" "abc\x07\x02");

  const std::filesystem::path version = root / "versioninfo";
  ok &= Put(version, "release.exe", qvtest::MakeVersionPe(0x200, 40, 0, 7));
  ok &= Put(version, "debug.exe", qvtest::MakeVersionPe(0x200, 40, 1, 8));
  ok &= Put(version, "cut.exe", qvtest::MakeVersionPe(60, 40, 0, 9));

  const std::filesystem::path cp932 = root / "cp932";
  ok &= Put(cp932, "letters.txt", "表ソ予ＡａΑαАаЁёⅠⅰ\x80\xEE\xEF\xFA\x4A ~\\");

  const std::filesystem::path cmdline = root / "cmdline";
  ok &= Put(cmdline, "line.txt", "\"C:\\Program Files\\x.exe\" \"a b\" c\\\"d \"\" 表\\");

  const std::filesystem::path dde = root / "dde";
  qv::dde::Request execute;
  execute.type = XTYP_EXECUTE;
  execute.format = CF_TEXT;
  execute.topic = "frmZEK";
  execute.data = std::string("OLD_PATH_SET    T:\\DVD") + '\0';
  ok &= Put(dde, "execute.bin", qv::dde::EncodeRequest(execute));
  qv::dde::Reply ack;
  ack.result = DDE_FACK;
  ok &= Put(dde, "ack.bin", qv::dde::EncodeReply(ack));
  return ok;
}

bool Save(CZEKDoc& doc, const std::filesystem::path& folder, const char* name) {
  std::string path;
  if (!qv::Utf8ToCp932((folder / name).string(), path)) return false;
  return doc.OnSaveDocument(path.c_str()) != FALSE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: qvx_make_seeds FOLDER\n", stderr);
    return 2;
  }
  std::error_code ec;
  const std::filesystem::path root = std::filesystem::absolute(argv[1], ec);
  const std::filesystem::path folder = root / "doc";
  std::filesystem::create_directories(folder, ec);
  bool ok = WriteReaderSeeds(root);
  {
    CZEKDoc doc;
    ok &= Save(doc, folder, "new.qvx");

    doc.m_pCurrentEntry->m_strOldPath = "D:\\Video";
    doc.m_pCurrentEntry->m_nMode = 1;
    AddRecords(doc, *doc.m_pCurrentEntry, 3, 1);
    ok &= Save(doc, folder, "records.qvx");

    auto* second = new CZEKEnv_Label;
    second->m_nId = 2;
    second->m_strName = "second";
    second->m_strNewPath = CString('N', 300);  // a long length prefix
    doc.m_listEntries.AddTail(second);
    AddRecords(doc, *second, 2, 2);
    doc.m_nCurrentId = 2;
    ok &= Save(doc, folder, "two_entries.qvx");

    doc.OnNewDocument();
    AddRecords(doc, *doc.m_pCurrentEntry, 0, 1);
    ok &= Save(doc, folder, "empty_run.qvx");
  }
  if (!ok) {
    std::fputs("qvx_make_seeds: a seed could not be written\n", stderr);
    return 1;
  }
  return 0;
}
