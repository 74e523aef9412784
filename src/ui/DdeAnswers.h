// What the main frame did with a DDE command: the result of
// WM_DDE_PATH_COMMAND. The DDE server answers DDE_FACK for a command carried
// out, DDE_FBUSY for a busy frame, and otherwise "not processed" with the
// reason in the low byte of the answer (the application's own return code),
// which is how a client such as qvdde tells its user why.
#pragma once

enum DdeCommandAnswer {
  // Carried out; for DIFF_EXECUTE: accepted, the run follows the answer.
  DDE_ANSWER_DONE = 1,
  // A run is in progress or about to start, or a question waits for its
  // answer: try again later.
  DDE_ANSWER_BUSY = 2,
  // The file view is shown: folders are set and runs started only in the
  // operation view.
  DDE_ANSWER_OTHER_VIEW = 3,
  // The path is longer than the frame takes (1,023 bytes).
  DDE_ANSWER_PATH_TOO_LONG = 4,
  // The keyword is none the frame knows.
  DDE_ANSWER_UNKNOWN_KEYWORD = 5,
  // No window took the command: the main window does not exist yet (the
  // start-up shows a message), or the message reached none (result 0).
  DDE_ANSWER_NO_WINDOW = 6,
};
