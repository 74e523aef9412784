#include "compare/TempCsv.h"

#include "compare/CompareRun.h"
#include "compare/ExternalPrograms.h"
#include "compare/RecordTexts.h"
#include "records/FileInfo.h"
#include "records/Settings.h"

const char kTempCsvName[] = "Z_E_K_wc_temp.csv";

namespace {

constexpr size_t kPathSize = 1024;

const char kNoCsvViewerText[] =
    "ファイル名称：%s\n上記ファイルを開くプログラムがありません。\n"
    "ﾕｰﾃｨﾘﾃｨ(U)-環境設定(E)...の「DVDファイル情報表示プロラグム」を設定して下さい。";
const char kCsvViewerFailedText[] =
    "ファイル名称：%s\n上記ファイルを開くプログラム（%s）を起動できませんでした。\n"
    "ﾕｰﾃｨﾘﾃｨ(U)-環境設定(E)...の「DVDファイル情報表示プロラグム」を見直して下さい。";

// The one open temporary file and whether every write reached it.
FILE* g_csv = nullptr;
bool g_writeFailed = false;

CString TempCsvPath() {
  CString path = ZEKSettings().m_strTempDir;
  path += '\\';
  path += kTempCsvName;
  return path;
}

void WriteBytes(const char* bytes, size_t length) {
  if (g_csv == nullptr || length == 0) return;
  if (fwrite(bytes, 1, length, g_csv) != length) g_writeFailed = true;
}

}  // namespace

int GetTempCsvPath(char* path, size_t size) {
  const CString full = TempCsvPath();
  if (static_cast<size_t>(full.GetLength()) >= size) {
    if (size) path[0] = '\0';
    return 0;
  }
  memcpy(path, full.GetString(), static_cast<size_t>(full.GetLength()) + 1);
  return 1;
}

int OpenTempCsv() {
  if (g_csv) CloseTempCsv();
  const CString path = TempCsvPath();
  // Binary: the line ends are written as CR LF here, and the line breaks
  // inside a quoted comment reach the file as the comment holds them.
  // Without a TEMP folder the name would lie in the root of the drive.
  FILE* file = !ZEKSettings().m_strTempDir.IsEmpty() && static_cast<size_t>(path.GetLength()) < kPathSize
                   ? fopen(path, "wb")
                   : nullptr;
  if (file == nullptr) {
    CString text;
    text.Format("ファイル名称：%s\n上記ファイルのオープンに失敗しました。", path.GetString());
    AfxMessageBox(text, MB_OK);
    return 0;
  }
  g_csv = file;
  g_writeFailed = false;
  return 1;
}

void WriteTempCsvLine(const char* line) {
  if (g_csv == nullptr || line == nullptr) return;
  const char* start = line;
  for (const char* p = line; *p; ++p) {
    if (*p != '\n') continue;
    WriteBytes(start, static_cast<size_t>(p - start));
    WriteBytes("\r\n", 2);
    start = p + 1;
  }
  WriteBytes(start, strlen(start));
}

int CloseTempCsv() {
  if (g_csv == nullptr) return 1;
  if (fclose(g_csv) != 0) g_writeFailed = true;
  g_csv = nullptr;
  return g_writeFailed ? 0 : 1;
}

void AppendCsvField(CString& row, const CString& text, bool alwaysQuote) {
  const bool quote = alwaysQuote || text.FindOneOf(",\"\r\n") >= 0;
  if (!quote) {
    row += text;
    return;
  }
  row += '"';
  CString inner = text;
  inner.Replace("\"", "\"\"");
  row += inner;
  row += '"';
}

void WriteCsvRows(int mode, const CObList* records, const char* diffFolder) {
  if (records == nullptr) return;
  int counter = 0;
  DiffFolderProbe probe(diffFolder);
  CString row;
  CString folder;
  CString leaf;
  CZEKSettings& settings = ZEKSettings();
  for (POSITION pos = records->GetHeadPosition(); pos != nullptr;) {
    auto* record = static_cast<CZEKMergeFileInfo*>(records->GetNext(pos));
    if (MatchRecordFilter(mode, &settings, settings.m_nDispMode, settings.m_nDaysFrom, settings.m_nDaysTo,
                          record) != 1) {
      continue;
    }
    char dateNew[kDateTextSize] = "";
    char dateOld[kDateTextSize] = "";
    GetDateColumns(record, dateNew, dateOld);
    SplitRelativeName(record->m_New.m_strName, folder, leaf);
    ++counter;
    RefreshDiffCounts(record, diffFolder, &probe);
    const char* oldDate = dateOld[0] ? dateOld : kNewlyCreatedText;
    const char* newDate = dateNew[0] ? dateNew : kDeletedText;

    row.Format("%d,", counter);
    if (mode == RUN_MODE_COMPARE) {
      AppendCsvField(row, leaf);
      row.AppendFormat(",%d,%d,%s,%d,%s,%d,", static_cast<int>(record->m_Old.m_dwLines),
                       static_cast<int>(record->m_New.m_dwLines), oldDate, static_cast<int>(record->m_Old.m_dwSize),
                       newDate, static_cast<int>(record->m_New.m_dwSize));
      AppendCsvField(row, folder);
    } else {
      AppendCsvField(row, folder);
      row += ',';
      AppendCsvField(row, leaf);
      row += ',';
      row += oldDate;
    }
    row += ',';
    AppendCsvField(row, GetRecordComment(record), true);
    row += "\r\n";
    WriteBytes(row.GetString(), static_cast<size_t>(row.GetLength()));
  }
}

int OpenWithCsvViewer(const char* path) {
  const char* file = path ? path : "";
  if (ZEKSettings().m_bCmdAvailable[0]) {
    CString command;
    command.Format("\"%s\" \"%s\"", ZEKSettings().m_strCmdExcel.GetString(), file);
    // Started directly rather than through ExecCommand: the one message of
    // a failure names the viewer and the file it was to show.
    if (ExecCommandQuietly(command)) return 1;
  } else {
    const HINSTANCE started = ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
    const intptr_t code = reinterpret_cast<intptr_t>(started);
    if (code > 32) return static_cast<int>(code);
  }
  // The file stays where it was written: the message says where, and which
  // setting chooses the program.
  CString text;
  if (ZEKSettings().m_strCmdExcel.IsEmpty()) {
    text.Format(kNoCsvViewerText, file);
  } else {
    text.Format(kCsvViewerFailedText, file, ZEKSettings().m_strCmdExcel.GetString());
  }
  AfxMessageBox(text, MB_ICONEXCLAMATION);
  return 0;
}
