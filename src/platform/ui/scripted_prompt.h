// A People implementation driven by a script, for tests: answers are queued
// in the order the questions will come, every question is recorded, and a
// question nobody expected is reported and answered with the safe answer
// (qv::SafeAnswer: cancel, or the one answer that changes nothing).
//
// A question is unexpected when the queue is empty or when the next queued
// answer does not fit it (an answer of another kind, or a button the box
// does not have). The unfitting answer stays queued for a later question.
//
// tests/support/scripted_people.h wraps this for GoogleTest.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/prompt.h"

namespace qv {

class ScriptedPeople : public People {
 public:
  enum class Kind { Message, Dialog, File, Folder };

  // One question as it was asked, and the answer it got.
  struct Call {
    Kind kind = Kind::Message;
    std::string text;        // message text, or the dialog's text
    std::string caption;     // message box caption
    UINT type = 0;           // message box type, icon rule applied
    UINT helpId = 0;
    std::string dialogName;  // dialog
    int cancelAnswer = 0;    // dialog
    bool open = true;        // file picker: open (else save)
    std::string title;       // pickers
    std::string filter;      // file picker
    std::string defaultExt;  // file picker
    DWORD flags = 0;         // file picker
    std::string initialPath; // pickers: the initial folder
    std::string fileName;    // file picker: the proposed file name
    int answer = 0;          // message/dialog answer; pickers: 1 chosen, 0 cancelled
    std::string answerText;  // picked path, or the dialog's returned text
    bool expected = true;    // false: answered because nothing fitting was queued

    UINT Buttons() const { return type & MB_TYPEMASK; }
    UINT Icon() const { return type & MB_ICONMASK; }
    UINT DefaultButton() const { return type & MB_DEFMASK; }
  };

  using FailureHook = std::function<void(const std::string& utf8Message)>;

  ScriptedPeople() = default;
  ScriptedPeople(const ScriptedPeople&) = delete;
  ScriptedPeople& operator=(const ScriptedPeople&) = delete;

  // Answers, consumed in order.
  void QueueAnswer(int id);                                // a message box button
  // A message box button given after `meanwhile` ran: what happens while
  // the box is on the screen (other windows used, messages delivered).
  void QueueAnswerAfter(int id, std::function<void()> meanwhile);
  void QueueDialog(int code, std::string answerText = {});  // a dialog's result
  // The next dialog runs for real; `drive` gets its window once it shows
  // and works its controls (clicks, keys) until something ends it. The
  // dialog's own result is the answer.
  void QueueDrive(std::function<void(CWnd* dialog)> drive);
  void QueueFile(std::string path);                        // a file picked
  void QueueFileCancel();
  void QueueFolder(std::string path);                      // a folder picked
  void QueueFolderCancel();

  const std::vector<Call>& Calls() const { return m_calls; }
  void ClearCalls() { m_calls.clear(); }
  size_t Pending() const { return m_queue.size(); }
  // The queued answers left, readable (UTF-8); "" when none.
  std::string DescribePending() const;
  void ClearPending() { m_queue.clear(); }

  // Called with a readable (UTF-8) report of each unexpected question.
  // Without a hook the report goes to the standard error stream.
  FailureHook SetFailureHook(FailureHook hook);

  int Message(const MessageRequest& request) override;
  int Dialog(const DialogRequest& request, std::string* answerText) override;
  bool PickFile(const FileRequest& request, std::string& chosen) override;
  bool PickFolder(const FolderRequest& request, std::string& chosen) override;

 private:
  struct Answer {
    Kind kind;
    int code;          // message/dialog answer; pickers: 1 chosen, 0 cancel
    std::string text;  // path, or dialog text
    std::function<void(CWnd*)> drive = {};  // dialogs run for real
    std::function<void()> meanwhile = {};    // message boxes: runs before the answer
  };

  // The next answer when it is of `kind` and `fits`; else reports `what`
  // and returns null.
  const Answer* Take(Kind kind, bool (*fits)(const Answer&, UINT), UINT type, const std::string& what);
  void Report(const std::string& what);
  // Records a picker call answered by `a` (null: not expected, cancelled);
  // true, with `chosen` set, when a path was chosen.
  bool Picked(Call call, const Answer* a, std::string& chosen);
  static std::string Describe(const Answer& a);

  std::deque<Answer> m_queue;
  Answer m_taken{};
  std::vector<Call> m_calls;
  FailureHook m_hook;
};

}  // namespace qv
