// The DDE management library's server calls: a program registers a
// service and gets its callback called for each conversation and
// transaction that a client starts.
//
// Here a service is a local socket (platform/os/ddesocket.h) that only the
// user can reach. The sockets are served by a thread of their own; the
// callback runs on the user-interface thread, from the event loop, one
// transaction at a time: a transaction that arrives while the callback runs
// waits until it has returned. The answer is sent as soon as the callback
// has returned, before anything the callback posted is dispatched. For each transaction the
// callback sees XTYP_CONNECT (topic and service; 0 refuses), then
// XTYP_CONNECT_CONFIRM, the transaction (XTYP_EXECUTE with the data,
// XTYP_REQUEST with the item) and XTYP_DISCONNECT, each unless the
// instance's CBF_ flags skip or fail it.
//
// Registration may happen before the application runs (a server built
// during static initialisation): the service then starts listening when the
// Qt application exists. When another process of the user already holds the
// service, the first registered keeps answering; a later one takes the
// service over once the first has gone, as does a new start after a crash
// (its socket is replaced).
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/wintypes.h"
#include "platform/os/ddesocket.h"

#ifndef CALLBACK
#define CALLBACK
#endif

typedef uintptr_t ULONG_PTR;
typedef struct HSZ__* HSZ;
typedef struct HCONV__* HCONV;
typedef struct HDDEDATA__* HDDEDATA;
typedef HDDEDATA(CALLBACK* PFNCALLBACK)(UINT uType, UINT uFmt, HCONV hconv, HSZ hsz1, HSZ hsz2, HDDEDATA hdata,
                                         ULONG_PTR dwData1, ULONG_PTR dwData2);

#define APPCLASS_STANDARD 0x00000000L
#define APPCMD_CLIENTONLY 0x00000010L
#define CBF_FAIL_SELFCONNECTIONS 0x00001000
#define CBF_FAIL_CONNECTIONS 0x00002000
#define CBF_FAIL_ADVISES 0x00004000
#define CBF_FAIL_EXECUTES 0x00008000
#define CBF_FAIL_POKES 0x00010000
#define CBF_FAIL_REQUESTS 0x00020000
#define CBF_FAIL_ALLSVRXACTIONS 0x0003f000
#define CBF_SKIP_CONNECT_CONFIRMS 0x00040000
#define CBF_SKIP_REGISTRATIONS 0x00080000
#define CBF_SKIP_UNREGISTRATIONS 0x00100000
#define CBF_SKIP_DISCONNECTS 0x00200000
#define DNS_REGISTER 0x0001
#define DNS_UNREGISTER 0x0002
#define CP_WINANSI 1004

// A new instance (*pidInst 0) or new flags for an existing one.
// DMLERR_NO_ERROR, or DMLERR_INVALIDPARAMETER without a callback.
UINT DdeInitializeA(LPDWORD pidInst, PFNCALLBACK pfnCallback, DWORD afCmd, DWORD ulRes);
// Ends the instance: its services stop, its string handles go.
BOOL DdeUninitialize(DWORD idInst);
HSZ DdeCreateStringHandleA(DWORD idInst, LPCSTR psz, int iCodePage);
BOOL DdeFreeStringHandle(DWORD idInst, HSZ hsz);
// With a buffer: copies at most cchMax - 1 bytes and the zero, returns the
// bytes copied; without one: the length. 0 for an unknown handle.
DWORD DdeQueryStringA(DWORD idInst, HSZ hsz, LPSTR psz, DWORD cchMax, int iCodePage);
// DNS_REGISTER or DNS_UNREGISTER of the service hsz1 (hsz2 unused); non-zero
// when done. A service of another running instance counts as registered
// (it is taken over when that one goes).
HDDEDATA DdeNameService(DWORD idInst, HSZ hsz1, HSZ hsz2, UINT afCmd);
// Copies at most cbMax bytes of the data from offset cbOff; the bytes
// copied. Without a buffer: the size of the data. No terminating zero is
// added.
DWORD DdeGetData(HDDEDATA hData, LPBYTE pDst, DWORD cbMax, DWORD cbOff);
UINT DdeGetLastError(DWORD idInst);

namespace qv {
// Tests: every registered service stops and listens again in `folder`
// ("" stops them until the folder is set again). The client side follows
// the same folder in this process.
void SetDdeFolderForTests(const std::string& folder);
// The service is listening for this instance (it is the first registered).
bool DdeServiceListening(DWORD idInst, const char* service);
// Lets the deferred services of a process without a running application
// listen now (tools and tests that pump events themselves).
void StartDdeServices();
// While set, every transaction of this process's services is answered busy
// (an execute DDE_FBUSY, a request no data) without the callback, whatever
// its topic: by the thread that owns the sockets, so also while the
// user-interface thread is held by long work. A transaction that came
// before and has not reached the callback yet is answered busy as well.
void SetDdeBusy(bool busy);
bool DdeBusy();
}  // namespace qv
