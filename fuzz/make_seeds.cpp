// Writes the seed corpus of the document fuzz target: documents of several
// shapes, stored by the program's own document class.
//
//   qvx_make_seeds FOLDER
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/ZEKApp.h"
#include "platform/ui/prompt.h"
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
  const std::filesystem::path folder = std::filesystem::absolute(argv[1], ec);
  std::filesystem::create_directories(folder, ec);
  bool ok = true;
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
