#include "compare/ExternalPrograms.h"

#include <string>

namespace {

// Longest command line the diff program is started with; longer ones are
// refused (the user is pointed to the GUI comparison program instead).
constexpr size_t kMaxDiffCommand = 1023;

// Per thread: the run starts diff programs on several threads at once.
thread_local DWORD g_lastExitStatus = STILL_ACTIVE;
thread_local std::vector<DiffMessage>* g_collected = nullptr;
thread_local DiffRunSource* g_runSource = nullptr;

const char kEditorFailedText[] =
    "テキストエディタ（%s）の起動に失敗（WinExec）しました。\nファイル名称：%s\n上記ファイルは、ほかのプログラムで開いて下さい。";
const char kDiffStartFailedText[] =
    "diff コマンド（%s）の起動に失敗（CreateProcess）しました。\n"
    "Quarvex.ini の Dir_Diff_Exec（diffファイルの作成）を見直して下さい。";

}  // namespace

DiffMessageCollector::DiffMessageCollector(std::vector<DiffMessage>& into) : previous_(g_collected) {
  g_collected = &into;
}

DiffMessageCollector::~DiffMessageCollector() { g_collected = previous_; }

void TellDiffMessage(LPCSTR text, UINT type) {
  if (g_collected != nullptr) {
    g_collected->push_back(DiffMessage{CString(text), type});
  } else {
    AfxMessageBox(text, type);
  }
}

BOOL LaunchDetached(LPCSTR commandLine) {
  if (commandLine == nullptr) return FALSE;
  // CreateProcessA may write into the command line: hand it a copy.
  std::string cmd(commandLine);

  STARTUPINFOA si;
  memset(&si, 0, sizeof(si));
  si.cb = sizeof(si);
  si.dwFlags = STARTF_FORCEONFEEDBACK;
  PROCESS_INFORMATION pi;
  memset(&pi, 0, sizeof(pi));

  BOOL created = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE,
                                CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr, &si, &pi);
  if (created) {
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  return created;
}

int LaunchToFile(int quiet, LPCSTR program, LPCSTR commandLine, LPCSTR outputPath) {
  g_lastExitStatus = STILL_ACTIVE;
  SECURITY_ATTRIBUTES sa;
  memset(&sa, 0, sizeof(sa));
  sa.nLength = sizeof(sa);
  sa.bInheritHandle = TRUE;
  HANDLE out = CreateFileA(outputPath, GENERIC_WRITE, FILE_SHARE_WRITE, &sa, CREATE_ALWAYS,
                           FILE_FLAG_RANDOM_ACCESS, nullptr);
  if (out == INVALID_HANDLE_VALUE) return kLaunchNoOutput;

  if (commandLine == nullptr || strlen(commandLine) > kMaxDiffCommand) {
    CloseHandle(out);
    if (!quiet) {
      TellDiffMessage("フォルダパスが長すぎぎて、diffコマンドが実行できません。\nDFコマンドを利用ください。",
                      MB_OK);
    }
    return kLaunchTooLong;
  }

  int result = kLaunchNotStarted;
  DWORD exitStatus = STILL_ACTIVE;
  if (g_runSource == nullptr || !g_runSource->Deliver(program, commandLine, out, result, exitStatus)) {
    result = RunDiffProgram(program, commandLine, out, exitStatus);
  }
  CloseHandle(out);
  if (result == kLaunchDone || result == kLaunchTrouble) g_lastExitStatus = exitStatus;
  return result;
}

int RunDiffProgram(LPCSTR program, LPCSTR commandLine, HANDLE out, DWORD& exitStatus, bool endWhenLate) {
  exitStatus = STILL_ACTIVE;
  STARTUPINFOA si;
  memset(&si, 0, sizeof(si));
  si.cb = sizeof(si);
  GetStartupInfoA(&si);
  si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESIZE | STARTF_USEPOSITION | STARTF_USESTDHANDLES;
  si.wShowWindow = SW_HIDE;
  si.dwX = 100;
  si.dwY = 100;
  si.dwXSize = 100;
  si.dwYSize = 200;
  si.hStdOutput = out;

  // CreateProcessA may write into the command line: hand it a copy.
  std::string cmd(commandLine ? commandLine : "");
  PROCESS_INFORMATION pi;
  memset(&pi, 0, sizeof(pi));
  BOOL created = CreateProcessA(program, cmd.data(), nullptr, nullptr, TRUE,
                                CREATE_DEFAULT_ERROR_MODE | CREATE_SEPARATE_WOW_VDM | NORMAL_PRIORITY_CLASS,
                                nullptr, nullptr, &si, &pi);
  if (!created) {
    // The program is named, and the setting that decides whether a run
    // uses it: the diff program itself is set nowhere a person can reach.
    CString text;
    text.Format(kDiffStartFailedText, program && *program ? program : "未設定");
    TellDiffMessage(text, MB_ICONEXCLAMATION);
    return kLaunchNotStarted;
  }

  // The program keeps writing after the bound if it is still running; the
  // caller must not take the file for its whole output then. Diff programs
  // end with 0 (same) or 1 (different); anything above is trouble, and what
  // they wrote (often nothing) must not read as "no differences".
  DWORD waited = WaitForSingleObject(pi.hProcess, kDiffWaitMs);
  if (waited != WAIT_OBJECT_0 && endWhenLate) TerminateProcess(pi.hProcess, 1);
  DWORD exitCode = 0;
  if (waited == WAIT_OBJECT_0 && !GetExitCodeProcess(pi.hProcess, &exitCode)) exitCode = 2;
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  if (waited != WAIT_OBJECT_0) return kLaunchTimedOut;
  exitStatus = exitCode;
  return exitCode > 1 ? kLaunchTrouble : kLaunchDone;
}

DiffRunSourceScope::DiffRunSourceScope(DiffRunSource* source) : previous_(g_runSource) { g_runSource = source; }

DiffRunSourceScope::~DiffRunSourceScope() { g_runSource = previous_; }

DWORD LastLaunchExitStatus() { return g_lastExitStatus; }

int ExecCommand(LPCSTR commandLine) {
  UINT r = WinExec(commandLine ? commandLine : "", SW_SHOWDEFAULT);
  switch (r) {
    case ERROR_FILE_NOT_FOUND:
      AfxMessageBox("コマンドの起動に失敗（WinExec,ERROR_FILE_NOT_FOUND）しました。\n"
                    "ﾕｰﾃｨﾘﾃｨ(U)-環境設定(E)...のコマンド環境を見直して下さい。",
                    MB_ICONEXCLAMATION);
      return 0;
    case ERROR_PATH_NOT_FOUND:
      AfxMessageBox("コマンドの起動に失敗（WinExec,ERROR_PATH_NOT_FOUND）しました。\n"
                    "ﾕｰﾃｨﾘﾃｨ(U)-環境設定(E)...のコマンド環境を見直して下さい。",
                    MB_ICONEXCLAMATION);
      return 0;
    case ERROR_BAD_FORMAT:
      AfxMessageBox("コマンドの起動に失敗（WinExec,ERROR_BAD_FORMAT）しました。", MB_ICONEXCLAMATION);
      return 0;
    default:
      return 1;
  }
}

BOOL ExecCommandQuietly(LPCSTR commandLine) {
  const UINT r = WinExec(commandLine ? commandLine : "", SW_SHOWDEFAULT);
  return r != ERROR_FILE_NOT_FOUND && r != ERROR_PATH_NOT_FOUND && r != ERROR_BAD_FORMAT;
}

int OpenInTextEditor(LPCSTR editor, LPCSTR path) {
  CString command;
  command.Format("%s \"%s\"", editor ? editor : "", path ? path : "");
  if (ExecCommandQuietly(command)) return 1;
  CString text;
  text.Format(kEditorFailedText, editor && *editor ? editor : "未設定", path ? path : "");
  AfxMessageBox(text, MB_ICONEXCLAMATION);
  return 0;
}
