// qvxdump FILE                 prints every field of every record of a .qvx
//                              document as UTF-8 text.
// qvxdump FILE --resave OUT    loads the document and stores it again as OUT.
//
// The document is read by the program's own document class, so a file it
// cannot read fails here with the program's message (on the standard error
// stream, UTF-8) and a non-zero exit code.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/safefile.h"
#include "platform/os/system.h"
#include "platform/ui/prompt.h"
#include "records/Archive.h"
#include "records/Comment.h"
#include "records/EnvLabel.h"
#include "records/FileInfo.h"
#include "records/ZEKDoc.h"

namespace {

// Messages of the document go to the standard error stream as they are,
// one line each; questions get the answer that changes nothing.
class StderrPeople final : public qv::People {
 public:
  int Message(const qv::MessageRequest& r) override {
    std::fprintf(stderr, "%s\n", qv::Cp932ToUtf8Lossy(r.text ? r.text : "").c_str());
    return qv::SafeAnswer(r.type);
  }
  int Dialog(const qv::DialogRequest& r, std::string*) override { return r.cancelAnswer; }
  bool PickFile(const qv::FileRequest&, std::string&) override { return false; }
  bool PickFolder(const qv::FolderRequest&, std::string&) override { return false; }
};

// The output, built in memory and written once.
class Dump {
 public:
  void Line(int indent, std::string_view name, std::string_view value) {
    out_.append(static_cast<size_t>(indent) * 2, ' ');
    out_ += name;
    out_ += ": ";
    out_ += value;
    out_ += '\n';
  }
  void Num(int indent, std::string_view name, long long v) { Line(indent, name, std::to_string(v)); }
  void Hex(int indent, std::string_view name, unsigned long v) {
    char buf[16];
    std::snprintf(buf, sizeof(buf), "0x%08lX", v);
    Line(indent, name, buf);
  }
  void Str(int indent, std::string_view name, const CString& s) { Line(indent, name, Quote(s)); }
  void Raw(int indent, std::string_view name, const BYTE* p, size_t n) {
    std::string hex;
    for (size_t i = 0; i < n; ++i) {
      char buf[4];
      std::snprintf(buf, sizeof(buf), i ? " %02X" : "%02X", p[i]);
      hex += buf;
    }
    Line(indent, name, hex);
  }
  void Head(int indent, std::string_view name) {
    out_.append(static_cast<size_t>(indent) * 2, ' ');
    out_ += name;
    out_ += ":\n";
  }
  const std::string& Text() const { return out_; }

 private:
  // A code page 932 text as quoted UTF-8; control characters, quotes and
  // bytes that are no code page 932 character are escaped.
  static std::string Quote(const CString& s) {
    std::string utf8;
    const std::string_view bytes = s.View();
    std::string q = "\"";
    if (qv::Cp932ToUtf8(bytes, utf8)) {
      for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
          q += '\\';
          q += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof(buf), "\\x%02X", c);
          q += buf;
        } else {
          q += static_cast<char>(c);
        }
      }
    } else {
      // Not code page 932 throughout: show every byte outside printable ASCII.
      for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
          q += static_cast<char>(c);
        } else {
          char buf[8];
          std::snprintf(buf, sizeof(buf), "\\x%02X", c);
          q += buf;
        }
      }
    }
    q += '"';
    return q;
  }

  std::string out_;
};

void DumpSide(Dump& d, int in, const char* name, const CZEKFileInfo& f) {
  d.Head(in, name);
  d.Num(in + 1, "exists", f.m_nExists);
  d.Str(in + 1, "name", f.m_strName);
  d.Num(in + 1, "creation time", f.m_tCreate);
  d.Num(in + 1, "access time", f.m_tAccess);
  d.Num(in + 1, "modification time", f.m_tModify);
  d.Num(in + 1, "size", f.m_dwSize);
  d.Num(in + 1, "line count", f.m_dwLines);
  d.Str(in + 1, "version text", f.m_strVersion);
  d.Raw(in + 1, "reserved", f.m_reserved, sizeof(f.m_reserved));
}

void DumpRecord(Dump& d, int in, const CZEKMergeFileInfo& r) {
  DumpSide(d, in, "new", r.m_New);
  DumpSide(d, in, "old", r.m_Old);
  d.Num(in, "type code", r.m_nType);
  d.Num(in, "presence bits", r.m_nExist);
  d.Num(in, "deleted lines", r.m_nDelLines);
  d.Num(in, "added lines", r.m_nAddLines);
  d.Num(in, "changed lines", r.m_nChgLines);
  d.Num(in, "range added", r.m_nRangeAdd);
  d.Num(in, "range deleted", r.m_nRangeDel);
  d.Num(in, "range changed right", r.m_nRangeChgRight);
  d.Num(in, "range changed left", r.m_nRangeChgLeft);
  d.Str(in, "note", r.m_strNote);
  d.Raw(in, "reserved", r.m_reserved, sizeof(r.m_reserved));
  d.Num(in, "comment index", r.m_nCommentIndex);
}

void DumpTotals(Dump& d, int in, const CZEKMergeSRCInfo& t) {
  d.Head(in, "totals");
  for (int row = 0; row < CZEKMergeSRCInfo::kRows; ++row) {
    const CZEKSRCInfo& r = t.m_Row[row];
    std::string counters;
    for (int c = 0; c < CZEKSRCInfo::kCounters; ++c) {
      if (c) counters += ' ';
      counters += std::to_string(r.m_dwCount[c]);
    }
    d.Head(in + 1, "row " + std::to_string(row));
    d.Line(in + 2, "counters", counters);
    d.Str(in + 2, "text", r.m_strText);
    d.Raw(in + 2, "reserved", r.m_reserved, sizeof(r.m_reserved));
  }
}

void DumpEntry(Dump& d, int in, const CZEKEnv_Label& e) {
  d.Num(in, "id", e.m_nId);
  d.Str(in, "name", e.m_strName);
  d.Str(in, "NEW folder", e.m_strNewPath);
  d.Str(in, "OLD folder", e.m_strOldPath);
  d.Str(in, "DIFF folder", e.m_strDiffPath);
  d.Num(in, "mode", e.m_nMode);
  d.Str(in, "text 1", e.m_strText1);
  d.Raw(in, "reserved", e.m_reserved, sizeof(e.m_reserved));
  d.Num(in, "mode copy", e.m_nModeCopy);
  d.Str(in, "run time", e.m_strRunTime);
  d.Str(in, "text 2", e.m_strText2);
  d.Str(in, "text 3", e.m_strText3);
  d.Str(in, "text 4", e.m_strText4);
  d.Str(in, "comment", e.m_strComment);
  d.Num(in, "total GB", e.m_dwTotalGB);
  d.Num(in, "used GB", e.m_dwUsedGB);
  d.Num(in, "free GB", e.m_dwFreeGB);
  d.Hex(in, "volume serial", e.m_dwVolumeSerial);
  d.Num(in, "record count", e.m_nRecordCount);
  d.Str(in, "root", e.m_strRoot);
  d.Str(in, "volume name", e.m_strVolumeName);
  d.Str(in, "file system", e.m_strFileSystem);
  d.Num(in, "state", e.m_nState);
  if (e.m_pRecordList) {
    d.Num(in, "records", e.m_pRecordList->GetCount());
    int i = 0;
    for (POSITION pos = e.m_pRecordList->GetHeadPosition(); pos != nullptr; ++i) {
      d.Head(in, "record " + std::to_string(i));
      DumpRecord(d, in + 1, *static_cast<const CZEKMergeFileInfo*>(e.m_pRecordList->GetNext(pos)));
    }
  }
  if (e.m_pTotals) DumpTotals(d, in, *e.m_pTotals);
  d.Num(in, "diff option", e.m_nDiffOption);
  d.Str(in, "filter name", e.m_strFilterName);
  d.Num(in, "filter lines", e.m_listFilterLines.GetCount());
  for (POSITION pos = e.m_listFilterLines.GetHeadPosition(); pos != nullptr;) {
    d.Str(in + 1, "line", e.m_listFilterLines.GetNext(pos));
  }
}

// The current id as the file holds it. The document keeps the id of the
// entry it made current, which differs when the stored id names no entry,
// so the id is read again from the bytes: header, entry list, id.
bool ReadStoredCurrentId(const char* path, long long& id) {
  std::vector<unsigned char> bytes;
  if (!qv::ReadWholeFile(path, bytes).ok()) return false;
  CObList entries;
  bool ok = false;
  try {
    CArchive ar(bytes.data(), bytes.size());
    CZEKHeader header;
    header.Serialize(ar);
    ar.ReadObList(entries, RUNTIME_CLASS(CZEKEnv_Label));
    LONG stored = 0;
    ar >> stored;
    id = stored;
    ok = true;
  } catch (...) {
  }
  for (POSITION pos = entries.GetHeadPosition(); pos != nullptr;) delete entries.GetNext(pos);
  entries.RemoveAll();
  return ok;
}

void DumpDocument(Dump& d, const CZEKDoc& doc, long long storedCurrentId) {
  const CZEKHeader& h = doc.m_Header;
  d.Head(0, "header");
  d.Num(1, "major", h.m_wMajor);
  d.Num(1, "minor", h.m_wMinor);
  d.Num(1, "build", h.m_wBuild);
  d.Hex(1, "magic", h.m_dwMagic);
  d.Str(1, "banner", h.m_strBanner);
  d.Str(1, "user", h.m_strUser);
  d.Str(1, "creation time", h.m_strCreateTime);
  d.Str(1, "text 1", h.m_strText1);
  d.Raw(1, "reserved", h.m_reserved, sizeof(h.m_reserved));
  d.Str(1, "text 2", h.m_strText2);
  d.Str(1, "text 3", h.m_strText3);
  d.Str(1, "save time", h.m_strSaveTime);
  for (int i = 0; i < 5; ++i) d.Str(1, "text " + std::to_string(4 + i), h.m_strText4to8[i]);
  d.Num(1, "mode", h.m_nMode);

  d.Num(0, "entries", doc.m_listEntries.GetCount());
  int i = 0;
  for (POSITION pos = doc.m_listEntries.GetHeadPosition(); pos != nullptr; ++i) {
    d.Head(0, "entry " + std::to_string(i));
    DumpEntry(d, 1, *static_cast<const CZEKEnv_Label*>(doc.m_listEntries.GetNext(pos)));
  }
  d.Num(0, "current id", storedCurrentId);
  if (storedCurrentId != doc.m_nCurrentId) d.Num(0, "current id used", doc.m_nCurrentId);
  d.Num(0, "view code", doc.m_nViewCode);
  d.Num(0, "comments", doc.m_Comment.GetCount());
  for (int c = 0; c < doc.m_Comment.GetCount(); ++c) {
    const CComment_Data_Obj* element = doc.m_Comment.GetAt(c);
    d.Head(0, "comment " + std::to_string(c));
    d.Str(1, "comment", element->m_strComment);
    d.Hex(1, "hash", element->m_dwHash);
    d.Str(1, "key", element->m_strKey);
  }
}

// The program's path for a command-line path: absolute, code page 932.
bool ProgramPath(const char* arg, std::string& path) {
  std::error_code ec;
  const std::filesystem::path abs = std::filesystem::absolute(arg, ec);
  if (ec) return false;
  return qv::Utf8ToCp932(abs.string(), path);
}

int Usage() {
  std::fputs("usage: qvxdump FILE\n       qvxdump FILE --resave OUT\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // As the program's start-up: a resave or dump past the file-size limit
  // fails (exit code 1) instead of ending the tool with SIGXFSZ.
  qv::PrepareProcess();
  std::setlocale(LC_ALL, "C");
  const bool resave = argc == 4 && std::strcmp(argv[2], "--resave") == 0;
  if (argc != 2 && !resave) return Usage();

  StderrPeople people;
  qv::SetPeople(&people);

  std::string in;
  std::string out;
  if (!ProgramPath(argv[1], in) || (resave && !ProgramPath(argv[3], out))) {
    std::fputs("qvxdump: the path cannot be written in code page 932\n", stderr);
    return 2;
  }

  int rc = 0;
  {
    CZEKDoc doc;
    if (!doc.OnOpenDocument(in.c_str())) {
      rc = 1;
    } else if (resave) {
      if (!doc.OnSaveDocument(out.c_str())) rc = 1;
    } else {
      long long storedCurrentId = doc.m_nCurrentId;
      ReadStoredCurrentId(in.c_str(), storedCurrentId);
      Dump d;
      DumpDocument(d, doc, storedCurrentId);
      const std::string& text = d.Text();
      if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) rc = 1;
    }
  }
  qv::SetPeople(nullptr);
  return rc;
}
