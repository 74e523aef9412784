#include "platform/ui/scripted_prompt.h"

#include <cstdio>
#include <utility>

#include "platform/base/codepage.h"

namespace qv {
namespace {

std::string Str(const char* s) { return s ? s : ""; }
std::string Quote(const std::string& cp932) { return "\"" + Cp932ToUtf8Lossy(cp932) + "\""; }

const char* AnswerName(int id) {
  switch (id) {
    case IDOK: return "IDOK";
    case IDCANCEL: return "IDCANCEL";
    case IDABORT: return "IDABORT";
    case IDRETRY: return "IDRETRY";
    case IDIGNORE: return "IDIGNORE";
    case IDYES: return "IDYES";
    case IDNO: return "IDNO";
    default: return nullptr;
  }
}

std::string AnswerText(int id) {
  const char* name = AnswerName(id);
  return name ? name : std::to_string(id);
}

bool IsButtonOf(int id, UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OK: return id == IDOK;
    case MB_OKCANCEL: return id == IDOK || id == IDCANCEL;
    case MB_ABORTRETRYIGNORE: return id == IDABORT || id == IDRETRY || id == IDIGNORE;
    case MB_YESNOCANCEL: return id == IDYES || id == IDNO || id == IDCANCEL;
    case MB_YESNO: return id == IDYES || id == IDNO;
    case MB_RETRYCANCEL: return id == IDRETRY || id == IDCANCEL;
    default: return false;
  }
}

}  // namespace

void ScriptedPeople::QueueAnswer(int id) { m_queue.push_back({Kind::Message, id, {}}); }
void ScriptedPeople::QueueDialog(int code, std::string answerText) {
  m_queue.push_back({Kind::Dialog, code, std::move(answerText)});
}
void ScriptedPeople::QueueAnswerAfter(int id, std::function<void()> meanwhile) {
  m_queue.push_back({Kind::Message, id, {}, {}, std::move(meanwhile)});
}
void ScriptedPeople::QueueDrive(std::function<void(CWnd*)> drive) {
  m_queue.push_back({Kind::Dialog, 0, {}, std::move(drive)});
}
void ScriptedPeople::QueueFile(std::string path) { m_queue.push_back({Kind::File, 1, std::move(path)}); }
void ScriptedPeople::QueueFileCancel() { m_queue.push_back({Kind::File, 0, {}}); }
void ScriptedPeople::QueueFolder(std::string path) { m_queue.push_back({Kind::Folder, 1, std::move(path)}); }
void ScriptedPeople::QueueFolderCancel() { m_queue.push_back({Kind::Folder, 0, {}}); }

ScriptedPeople::FailureHook ScriptedPeople::SetFailureHook(FailureHook hook) {
  FailureHook previous = std::move(m_hook);
  m_hook = std::move(hook);
  return previous;
}

std::string ScriptedPeople::Describe(const Answer& a) {
  switch (a.kind) {
    case Kind::Message: return "message box answer " + AnswerText(a.code);
    case Kind::Dialog:
      if (a.drive) return "dialog run and driven";
      return "dialog answer " + std::to_string(a.code) + (a.text.empty() ? "" : " with text " + Quote(a.text));
    case Kind::File: return a.code ? "file pick of " + Quote(a.text) : "file picker cancel";
    case Kind::Folder: return a.code ? "folder pick of " + Quote(a.text) : "folder picker cancel";
  }
  return {};
}

std::string ScriptedPeople::DescribePending() const {
  std::string out;
  for (const Answer& a : m_queue) {
    if (!out.empty()) out += "; ";
    out += Describe(a);
  }
  return out;
}

void ScriptedPeople::Report(const std::string& what) {
  if (m_hook)
    m_hook(what);
  else
    std::fprintf(stderr, "ScriptedPeople: %s\n", what.c_str());
}

const ScriptedPeople::Answer* ScriptedPeople::Take(Kind kind, bool (*fits)(const Answer&, UINT), UINT type,
                                                   const std::string& what) {
  if (m_queue.empty()) {
    Report("unexpected " + what + ": no answer is queued");
    return nullptr;
  }
  const Answer& next = m_queue.front();
  if (next.kind != kind || (fits && !fits(next, type))) {
    Report("unexpected " + what + ": the next queued answer is a " + Describe(next));
    return nullptr;
  }
  m_taken = std::move(m_queue.front());
  m_queue.pop_front();
  return &m_taken;
}

int ScriptedPeople::Message(const MessageRequest& r) {
  Call call;
  call.kind = Kind::Message;
  call.text = Str(r.text);
  call.caption = Str(r.caption);
  call.type = r.type;
  call.helpId = r.helpId;
  char typeText[16];
  std::snprintf(typeText, sizeof typeText, "0x%X", r.type);
  const Answer* a = Take(
      Kind::Message, [](const Answer& x, UINT type) { return IsButtonOf(x.code, type); }, r.type,
      std::string("message box (type ") + typeText + ") " + Quote(call.text));
  call.expected = a != nullptr;
  call.answer = a ? a->code : SafeAnswer(r.type);
  std::function<void()> meanwhile = a ? a->meanwhile : std::function<void()>();
  m_calls.push_back(std::move(call));
  const int answer = m_calls.back().answer;
  if (meanwhile) meanwhile();
  return answer;
}

int ScriptedPeople::Dialog(const DialogRequest& r, std::string* answerText) {
  Call call;
  call.kind = Kind::Dialog;
  call.dialogName = Str(r.dialogName);
  call.text = Str(r.text);
  call.cancelAnswer = r.cancelAnswer;
  const Answer* a =
      Take(Kind::Dialog, nullptr, 0, "dialog " + call.dialogName + " " + Quote(call.text));
  call.expected = a != nullptr;
  if (a && a->drive) {
    if (!r.showModal) {
      Report("dialog " + call.dialogName + " cannot run for real");
      call.answer = r.cancelAnswer;
    } else {
      // The queue may be used by what the driven dialog asks in turn.
      std::function<void(CWnd*)> drive = a->drive;
      CWnd* const* window = r.window;
      call.answer = r.showModal([drive, window]() { drive(window ? *window : nullptr); });
    }
    m_calls.push_back(std::move(call));
    return m_calls.back().answer;
  }
  call.answer = a ? a->code : r.cancelAnswer;
  if (a) {
    call.answerText = a->text;
    if (answerText) *answerText = a->text;
  }
  m_calls.push_back(std::move(call));
  return m_calls.back().answer;
}

bool ScriptedPeople::Picked(Call call, const Answer* a, std::string& chosen) {
  call.expected = a != nullptr;
  call.answer = a ? a->code : 0;
  if (call.answer) {
    call.answerText = a->text;
    chosen = a->text;
  }
  m_calls.push_back(std::move(call));
  return m_calls.back().answer != 0;
}

bool ScriptedPeople::PickFile(const FileRequest& r, std::string& chosen) {
  Call call;
  call.kind = Kind::File;
  call.open = r.open;
  call.title = Str(r.title);
  call.filter = Str(r.filter);
  call.defaultExt = Str(r.defaultExt);
  call.initialPath = Str(r.initialFolder);
  call.fileName = Str(r.fileName);
  call.flags = r.flags;
  const Answer* a = Take(Kind::File, nullptr, 0,
                         std::string(r.open ? "open" : "save") + " file picker " + Quote(call.title) +
                             " at " + Quote(call.initialPath));
  return Picked(std::move(call), a, chosen);
}

bool ScriptedPeople::PickFolder(const FolderRequest& r, std::string& chosen) {
  Call call;
  call.kind = Kind::Folder;
  call.title = Str(r.title);
  call.initialPath = Str(r.initialFolder);
  const Answer* a = Take(Kind::Folder, nullptr, 0,
                         "folder picker " + Quote(call.title) + " at " + Quote(call.initialPath));
  return Picked(std::move(call), a, chosen);
}

}  // namespace qv
