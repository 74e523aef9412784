#include "platform/ui/prompt.h"

#include <cstdio>
#include <map>
#include <string>

#include "platform/base/codepage.h"
#include "platform/ui/winapp.h"

namespace qv {
namespace {

std::string Utf8(const char* cp932) { return Cp932ToUtf8Lossy(cp932 ? cp932 : ""); }

// Writes each question to the standard error stream and gives the safe
// answer at once: a program without a person (or before its windows exist)
// never waits and never agrees to anything.
class ConsolePeople final : public People {
 public:
  int Message(const MessageRequest& r) override {
    const int answer = SafeAnswer(r.type);
    std::fprintf(stderr, "[message] %s: %s (type 0x%X, answered %d)\n", Utf8(r.caption).c_str(),
                 Utf8(r.text).c_str(), r.type, answer);
    return answer;
  }
  int Dialog(const DialogRequest& r, std::string*) override {
    std::fprintf(stderr, "[dialog] %s: %s (answered %d)\n", Utf8(r.dialogName).c_str(),
                 Utf8(r.text).c_str(), r.cancelAnswer);
    return r.cancelAnswer;
  }
  bool PickFile(const FileRequest& r, std::string&) override {
    std::fprintf(stderr, "[file picker] %s at %s (cancelled)\n", Utf8(r.title).c_str(),
                 Utf8(r.initialFolder).c_str());
    return false;
  }
  bool PickFolder(const FolderRequest& r, std::string&) override {
    std::fprintf(stderr, "[folder picker] %s at %s (cancelled)\n", Utf8(r.title).c_str(),
                 Utf8(r.initialFolder).c_str());
    return false;
  }
};

constinit ConsolePeople g_console;
constinit People* g_people = nullptr;  // null: the console implementation
constinit StringResolver g_resolver = nullptr;

// Made on first use: runners register during static initialisation.
std::map<std::string, DialogRunner>& DialogRunners() {
  static std::map<std::string, DialogRunner> runners;
  return runners;
}

}  // namespace

People* SetPeople(People* people) {
  People* previous = &GetPeople();
  g_people = people;
  return previous;
}

People& GetPeople() { return g_people ? *g_people : g_console; }

namespace {
int g_questionsOpen = 0;  // user-interface thread only
}  // namespace

OpenQuestion::OpenQuestion() { ++g_questionsOpen; }
OpenQuestion::~OpenQuestion() { --g_questionsOpen; }
int QuestionsOpen() { return g_questionsOpen; }

int SafeAnswer(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OK: return IDOK;
    case MB_YESNO: return IDNO;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    default: return IDCANCEL;  // OK+Cancel, Yes+No+Cancel, Retry+Cancel
  }
}

UINT ApplyDefaultIcon(UINT type) {
  if ((type & MB_ICONMASK) != 0) return type;
  switch (type & MB_TYPEMASK) {
    case MB_OK:
    case MB_OKCANCEL: return type | MB_ICONEXCLAMATION;
    case MB_YESNO:
    case MB_YESNOCANCEL: return type | MB_ICONQUESTION;
    default: return type;
  }
}

DialogRunner SetDialogRunner(const char* dialogName, DialogRunner runner) {
  auto& runners = DialogRunners();
  const std::string name = dialogName ? dialogName : "";
  const auto found = runners.find(name);
  const DialogRunner previous = found != runners.end() ? found->second : nullptr;
  if (runner != nullptr) {
    runners[name] = runner;
  } else if (found != runners.end()) {
    runners.erase(found);
  }
  return previous;
}

int AskDialog(const char* dialogName, const char* text, int cancelAnswer) {
  const auto& runners = DialogRunners();
  const auto found = runners.find(dialogName ? dialogName : "");
  if (found != runners.end()) return found->second(text ? text : "");
  const DialogRequest request{dialogName ? dialogName : "", text ? text : "", cancelAnswer};
  return GetPeople().Dialog(request, nullptr);
}

StringResolver SetStringResolver(StringResolver resolver) {
  StringResolver previous = g_resolver;
  g_resolver = resolver;
  return previous;
}

}  // namespace qv

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp) {
  const qv::MessageRequest request{lpszText ? lpszText : "", AfxGetAppName(),
                                   qv::ApplyDefaultIcon(nType), nIDHelp};
  const qv::OpenQuestion open;
  return qv::GetPeople().Message(request);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
  std::string text;
  if (!qv::g_resolver || !qv::g_resolver(nIDPrompt, text)) text = "(string " + std::to_string(nIDPrompt) + ")";
  return AfxMessageBox(text.c_str(), nType, nIDHelp == static_cast<UINT>(-1) ? nIDPrompt : nIDHelp);
}
