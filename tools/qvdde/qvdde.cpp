// qvdde SERVICE TOPIC DATA: sends DATA (converted to code page 932, with its
// terminating zero, as a DDE client sends a text) in one execute
// transaction to the service's topic of a program running as the same
// user, and tells whether the program acknowledged it.
//
// Exit codes: 0 acknowledged (the command was carried out; a run has been
// accepted and follows), 1 usage, 2 DATA not representable in code page
// 932, 3 not carried out: busy, or not processed (the message tells why),
// 4 no such service or conversation refused, 5 no answer in time or another
// failure.
//
// Example, filling the operation form's OLD folder of a running program:
//   qvdde ZEK frmZEK 'OLD_PATH_SET    T:\DVD'
// (the keyword padded with blanks to 16 bytes, then the path).
#include <cstdio>
#include <string>

#include "platform/base/codepage.h"
#include "platform/os/ddesocket.h"
#include "ui/DdeAnswers.h"

namespace {

// Why the program did not carry out a command: the reason it gives in the
// low byte of its answer.
const char* Reason(DWORD flags) {
  switch (flags & 0xFF) {
    case DDE_ANSWER_OTHER_VIEW:
      return "it is showing the file list, and it sets folders and starts runs only in its operation view";
    case DDE_ANSWER_PATH_TOO_LONG:
      return "the folder is longer than 1023 bytes";
    case DDE_ANSWER_UNKNOWN_KEYWORD:
      return "the keyword (the first 16 bytes, blank-padded) is none of NEW_PATH_SET, OLD_PATH_SET, DIFF_PATH_SET, "
             "DIFF_EXECUTE";
    case DDE_ANSWER_NO_WINDOW:
      return "it has no window yet (it is starting)";
    default:
      return nullptr;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: qvdde SERVICE TOPIC DATA\n");
    return 1;
  }
  std::string service, topic, data;
  if (!qv::Utf8ToCp932(argv[1], service) || !qv::Utf8ToCp932(argv[2], topic) || !qv::Utf8ToCp932(argv[3], data)) {
    std::fprintf(stderr, "qvdde: a text has characters code page 932 cannot hold\n");
    return 2;
  }
  DWORD flags = 0;
  const UINT error = qv::DdeClientExecute(service.c_str(), topic.c_str(), data.c_str(), data.size() + 1, 10000, &flags);
  switch (error) {
    case DMLERR_NO_ERROR:
      return 0;
    case DMLERR_NOTPROCESSED:
      if (const char* why = Reason(flags)) {
        std::fprintf(stderr, "qvdde: the program did not carry out the command: %s\n", why);
      } else {
        std::fprintf(stderr, "qvdde: the program did not process the command (flags 0x%04x)\n", flags);
      }
      return 3;
    case DMLERR_BUSY:
      std::fprintf(stderr, "qvdde: the program is busy (a run is in progress or starting, or it waits for its "
                           "user's answer) and did not take the command; try again when it has finished\n");
      return 3;
    case DMLERR_NO_CONV_ESTABLISHED:
      std::fprintf(stderr, "qvdde: no program of yours answers service %s, topic %s\n", argv[1], argv[2]);
      return 4;
    case DMLERR_INVALIDPARAMETER:
      std::fprintf(stderr, "qvdde: service, topic or data too long\n");
      return 1;
    default:
      std::fprintf(stderr, "qvdde: no answer (error 0x%04x)\n", error);
      return 5;
  }
}
