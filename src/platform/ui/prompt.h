// The seam for people: every message box, every answer of a modal question
// dialog and every file or folder picker of the program passes through one
// interface, qv::People. The program runs with the Qt implementation (the
// windowing layer installs it at start-up); tests install qv::ScriptedPeople
// (scripted_prompt.h), which records every question and answers from a queue;
// until anything is installed, a console implementation writes the questions
// to the standard error stream and gives the safe answer (qv::SafeAnswer)
// without waiting for anybody.
//
// All texts crossing the seam are code page 932; paths are Windows-shaped
// (drive letter, backslashes) code page 932 text. Implementations convert at
// their own boundary.
#pragma once

#include <functional>
#include <string>

#include "platform/base/wintypes.h"

class CWnd;

// Buttons of a message box (the low four bits of its type).
#ifndef MB_OK
#define MB_OK 0x00000000u
#endif
#ifndef MB_OKCANCEL
#define MB_OKCANCEL 0x00000001u
#endif
#ifndef MB_ABORTRETRYIGNORE
#define MB_ABORTRETRYIGNORE 0x00000002u
#endif
#ifndef MB_YESNOCANCEL
#define MB_YESNOCANCEL 0x00000003u
#endif
#ifndef MB_YESNO
#define MB_YESNO 0x00000004u
#endif
#ifndef MB_RETRYCANCEL
#define MB_RETRYCANCEL 0x00000005u
#endif
// Icons.
#ifndef MB_ICONHAND
#define MB_ICONHAND 0x00000010u
#endif
#ifndef MB_ICONSTOP
#define MB_ICONSTOP MB_ICONHAND
#endif
#ifndef MB_ICONERROR
#define MB_ICONERROR MB_ICONHAND
#endif
#ifndef MB_ICONQUESTION
#define MB_ICONQUESTION 0x00000020u
#endif
#ifndef MB_ICONEXCLAMATION
#define MB_ICONEXCLAMATION 0x00000030u
#endif
#ifndef MB_ICONWARNING
#define MB_ICONWARNING MB_ICONEXCLAMATION
#endif
#ifndef MB_ICONASTERISK
#define MB_ICONASTERISK 0x00000040u
#endif
#ifndef MB_ICONINFORMATION
#define MB_ICONINFORMATION MB_ICONASTERISK
#endif
// Default button.
#ifndef MB_DEFBUTTON1
#define MB_DEFBUTTON1 0x00000000u
#endif
#ifndef MB_DEFBUTTON2
#define MB_DEFBUTTON2 0x00000100u
#endif
#ifndef MB_DEFBUTTON3
#define MB_DEFBUTTON3 0x00000200u
#endif
// Masks.
#ifndef MB_TYPEMASK
#define MB_TYPEMASK 0x0000000Fu
#endif
#ifndef MB_ICONMASK
#define MB_ICONMASK 0x000000F0u
#endif
#ifndef MB_DEFMASK
#define MB_DEFMASK 0x00000F00u
#endif

// Answers of message boxes and dialogs.
#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif
#ifndef IDABORT
#define IDABORT 3
#endif
#ifndef IDRETRY
#define IDRETRY 4
#endif
#ifndef IDIGNORE
#define IDIGNORE 5
#endif
#ifndef IDYES
#define IDYES 6
#endif
#ifndef IDNO
#define IDNO 7
#endif

namespace qv {

struct MessageRequest {
  const char* text;     // the message
  const char* caption;  // the application's title
  UINT type;            // buttons | icon | default button, icon rule applied
  UINT helpId;
};

// A modal dialog that answers with a code (its DoModal result), for example
// the overwrite question that answers 1 yes, 2 all, 3 no, 4 cancel.
struct DialogRequest {
  const char* dialogName;  // the dialog's class name, e.g. "CMessageBox_OW_dlg"
  const char* text;        // what the dialog shows that identifies the case
  int cancelAnswer;        // the answer of Esc / the close box
  // Runs the real dialog modally and returns its answer; `whileShown` (may
  // be empty) runs once the dialog is on the screen, inside its modal loop.
  // An implementation with a person in front of the screen calls it with
  // nothing to run; scripted people call it to drive the real controls. The
  // console implementation never does. May be empty.
  std::function<int(const std::function<void()>& whileShown)> showModal = {};
  // The dialog's window object while it is shown (null before).
  CWnd* const* window = nullptr;
};

struct FileRequest {
  bool open;                // open dialog (else save dialog)
  const char* title;        // "" for the platform's own title
  const char* filter;       // the framework's filter text ("name|*.ext|...||")
  const char* defaultExt;     // "" when none
  const char* initialFolder;  // the folder the dialog starts in; "" when none
  const char* fileName;       // the file name proposed; "" when none
  DWORD flags;                // OFN_ flags as the caller gave them
};

struct FolderRequest {
  const char* title;
  const char* initialFolder;  // the picker opens here; "" when none
};

// The people using the program, as the program sees them. Implementations
// are used on the user-interface thread only.
class People {
 public:
  virtual ~People() = default;
  // IDOK, IDCANCEL, IDYES, ... — one of the buttons of request.type.
  virtual int Message(const MessageRequest& request) = 0;
  // The dialog's answer code. When the dialog returns text as well (an edit
  // field), it is stored in *answerText when that is not null.
  virtual int Dialog(const DialogRequest& request, std::string* answerText) = 0;
  // True with the chosen path in `chosen`; false when cancelled (`chosen`
  // untouched).
  virtual bool PickFile(const FileRequest& request, std::string& chosen) = 0;
  virtual bool PickFolder(const FolderRequest& request, std::string& chosen) = 0;
};

// Installs `people` as the active implementation and returns the one active
// before (never null). Null installs the console implementation.
People* SetPeople(People* people);
People& GetPeople();

// Marks a question of the program as waiting for its answer for as long as
// it lives: every call into the People above is made inside one. While one
// waits, a handler of the program is in the middle of its work and its
// windows must not be rebuilt under it; what arrives from outside (a DDE
// command) asks `QuestionsOpen` and is turned away meanwhile.
class OpenQuestion {
 public:
  OpenQuestion();
  ~OpenQuestion();
  OpenQuestion(const OpenQuestion&) = delete;
  OpenQuestion& operator=(const OpenQuestion&) = delete;
};
// How many questions wait for their answer now (nested ones count each).
int QuestionsOpen();

// The answer given when nobody can answer: the one that changes nothing.
// OK for an OK box, No for Yes/No, Abort for Abort/Retry/Ignore, else Cancel.
int SafeAnswer(UINT type);

// The framework's icon rule: a type without an icon gets the exclamation
// icon with OK or OK+Cancel, the question icon with Yes+No or Yes+No+Cancel.
UINT ApplyDefaultIcon(UINT type);

// A question dialog that code without windows asks for by name (the copy
// that confirms an overwrite lives below the windows): the part of the
// program that has the dialog registers how to run it (usually at static
// initialisation, beside the dialog's class), and the asker gives the text
// that identifies the case. The runner shows the real dialog, which asks
// the active People as every dialog does.
using DialogRunner = int (*)(const char* text);
// Registers the runner of the named dialog (null removes it); returns the
// runner registered before (null: none).
DialogRunner SetDialogRunner(const char* dialogName, DialogRunner runner);
// The named dialog's answer: its runner's; without a runner, the active
// People's answer to a request with the name, the text and the cancel
// answer and no real dialog to show.
int AskDialog(const char* dialogName, const char* text, int cancelAnswer);

// Looks up a string-table text for AfxMessageBox(UINT); the resource layer
// installs it. Returns false when the id has no text.
using StringResolver = bool (*)(UINT id, std::string& text);
// Installs the resolver and returns the previous one (null: none).
StringResolver SetStringResolver(StringResolver resolver);

}  // namespace qv

// The framework's message box: applies the icon rule, captions the box with
// the application's title and asks the active People. Returns the answer.
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// The same with a string-table text. An id without text shows
// "(string <id>)" so the missing resource is visible.
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = static_cast<UINT>(-1));
