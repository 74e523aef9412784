// DDE on a local socket: where a service's socket lives, the bytes of one
// transaction and its answer, and the client that sends one transaction.
// The server side (the DDE management library's calls) is in
// platform/ui/ddeml.h; both sides meet here.
//
// A service is a socket named after it in a folder that only the user may
// enter: $QUARVEX_DDE_DIR, else $XDG_RUNTIME_DIR/quarvex-dde, else
// /tmp/quarvex-dde-<uid>. The folder is made with mode 0700 and must belong
// to the user; each side also checks the other's user id on the connected
// socket, so another user's process is never answered and never told
// anything. One connection carries one transaction: the client sends one
// request, the server answers once and closes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/base/wintypes.h"

// Transaction types, answer flags and error codes of the DDE management
// library, as both sides use them.
#define XCLASS_BOOL 0x1000
#define XCLASS_DATA 0x2000
#define XCLASS_FLAGS 0x4000
#define XCLASS_NOTIFICATION 0x8000
#define XTYPF_NOBLOCK 0x0002
#define XTYP_ERROR (0x0000 | XCLASS_NOTIFICATION | XTYPF_NOBLOCK)
#define XTYP_REQUEST (0x00B0 | XCLASS_DATA)
#define XTYP_CONNECT (0x0060 | XCLASS_BOOL | XTYPF_NOBLOCK)
#define XTYP_CONNECT_CONFIRM (0x0070 | XCLASS_NOTIFICATION | XTYPF_NOBLOCK)
#define XTYP_DISCONNECT (0x00C0 | XCLASS_NOTIFICATION | XTYPF_NOBLOCK)
#define XTYP_EXECUTE (0x0050 | XCLASS_FLAGS)
#define XTYP_POKE (0x0090 | XCLASS_FLAGS)

#define DDE_FACK 0x8000
#define DDE_FBUSY 0x4000
#define DDE_FNOTPROCESSED 0x0000

#define CF_TEXT 1

#define DMLERR_NO_ERROR 0
#define DMLERR_ADVACKTIMEOUT 0x4000
#define DMLERR_BUSY 0x4001
#define DMLERR_DATAACKTIMEOUT 0x4002
#define DMLERR_DLL_NOT_INITIALIZED 0x4003
#define DMLERR_DLL_USAGE 0x4004
#define DMLERR_EXECACKTIMEOUT 0x4005
#define DMLERR_INVALIDPARAMETER 0x4006
#define DMLERR_LOW_MEMORY 0x4007
#define DMLERR_MEMORY_ERROR 0x4008
#define DMLERR_NOTPROCESSED 0x4009
#define DMLERR_NO_CONV_ESTABLISHED 0x400a
#define DMLERR_POKEACKTIMEOUT 0x400b
#define DMLERR_POSTMSG_FAILED 0x400c
#define DMLERR_REENTRANCY 0x400d
#define DMLERR_SERVER_DIED 0x400e
#define DMLERR_SYS_ERROR 0x400f

namespace qv::dde {

// Limits of a request; a longer name or more data closes the connection
// without an answer.
inline constexpr size_t kMaxName = 255;
inline constexpr size_t kMaxData = 1024 * 1024;

struct Request {
  DWORD type = 0;    // XTYP_EXECUTE or XTYP_REQUEST
  DWORD format = 0;  // clipboard format of the data (CF_TEXT)
  std::string topic;
  std::string item;  // the item of a request; empty for an execute
  std::string data;  // the data of an execute
};

enum class ReplyStatus : DWORD {
  Done = 0,          // result: the server's flags (execute) or data (request)
  Refused = 1,       // the server refused the conversation (service or topic)
  NotAvailable = 2,  // the server cannot take transactions (failed callback)
};

struct Reply {
  ReplyStatus status = ReplyStatus::Done;
  DWORD result = 0;  // DDE_FACK, DDE_FBUSY, ... of an execute
  std::string data;  // the data of a request (empty: none)
};

enum class Parse { NeedMore, Done, Bad };

std::string EncodeRequest(const Request& request);
// Reads one request from the start of `bytes`; Bad for anything that is no
// request of this format or breaks a limit (decided from the header alone,
// before the rest arrives).
Parse DecodeRequest(std::string_view bytes, Request* out);
std::string EncodeReply(const Reply& reply);
Parse DecodeReply(std::string_view bytes, Reply* out);

// The folder of the sockets (see above); the test override first.
std::string SocketFolder();
// Tests point the folder elsewhere; "" goes back to the usual rule.
void SetFolderOverride(const std::string& folder);
// Makes the folder when it is missing (its parent must exist) and checks
// that it is a folder of the user's own, not a link; a folder of the user's
// with access for others gets mode 0700. False (errno set) otherwise.
bool PreparePrivateFolder(const std::string& folder);
// The socket of a service in `folder`: the name with every byte other than
// ASCII letters, digits, '-' and '_' written as %XX. "" when the name is
// empty or longer than kMaxName, or the path does not fit a socket address.
std::string SocketPath(const std::string& folder, std::string_view service);
// The user id at the other end of a connected local socket.
bool PeerUid(int fd, unsigned long* uid);
// This process's effective user id.
unsigned long OwnUid();

}  // namespace qv::dde

namespace qv {

// Client side: one execute transaction with `size` bytes of `data` (a DDE
// client sends a text with its terminating zero) to the service's topic.
// The result is a DMLERR_ code: DMLERR_NO_ERROR when the server
// acknowledged (DDE_FACK), DMLERR_NOTPROCESSED when it answered without
// processing, DMLERR_BUSY, DMLERR_NO_CONV_ESTABLISHED when there is no
// server of the user's or it refused the conversation,
// DMLERR_EXECACKTIMEOUT when no answer came within timeoutMs. *flags (may be
// null) receives the server's answer flags, the low byte included (the
// server's own return code, which may tell why it did not process).
UINT DdeClientExecute(const char* service, const char* topic, const void* data, size_t size, DWORD timeoutMs,
                      DWORD* flags = nullptr);
// One request transaction for `item`; the data the server gave in *data
// (empty when none). DMLERR_NOTPROCESSED when it gave none, DMLERR_BUSY
// when it answered busy.
UINT DdeClientRequest(const char* service, const char* topic, const char* item, DWORD timeoutMs, std::string* data);

}  // namespace qv
