// DDE on local sockets: transactions reach the callback on this thread in
// the library's order; the socket is the user's alone; bad clients change
// nothing and hold nothing up; a second instance waits for its turn.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/ddeml.h"
#include "platform/ui/wnd.h"
#include "support/testutil.h"
#include "support/unprivileged.h"

namespace fs = std::filesystem;

namespace {

struct Call {
  UINT type;
  std::string hsz1;
  std::string hsz2;
  std::string data;
  bool onThisThread;
};

std::vector<Call> g_calls;
std::thread::id g_uiThread;
DWORD g_answer = DDE_FACK;

std::string Text(DWORD inst, HSZ h) {
  char buf[300] = {};
  DdeQueryStringA(inst, h, buf, sizeof buf, CP_WINANSI);
  return buf;
}

// Records every call; accepts the topic "frmZEK" only.
template <int Which>
HDDEDATA CALLBACK Recorder(UINT type, UINT, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA data, ULONG_PTR, ULONG_PTR);

DWORD g_inst[2] = {0, 0};

template <int Which>
HDDEDATA CALLBACK Recorder(UINT type, UINT, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
  Call c{type, Text(g_inst[Which], hsz1), Text(g_inst[Which], hsz2), "", std::this_thread::get_id() == g_uiThread};
  if (data) {
    c.data.resize(DdeGetData(data, nullptr, 0, 0));
    DdeGetData(data, reinterpret_cast<LPBYTE>(c.data.data()), static_cast<DWORD>(c.data.size()), 0);
  }
  c.hsz1 = (Which == 1 ? "#2:" : "") + c.hsz1;
  g_calls.push_back(c);
  switch (type) {
    case XTYP_CONNECT:
      return reinterpret_cast<HDDEDATA>(static_cast<uintptr_t>(c.hsz1.find("frmZEK") != std::string::npos));
    case XTYP_EXECUTE:
      return reinterpret_cast<HDDEDATA>(static_cast<uintptr_t>(g_answer));
    default:
      return nullptr;
  }
}

std::vector<UINT> Types() {
  std::vector<UINT> t;
  for (const Call& c : g_calls) t.push_back(c.type);
  return t;
}

// Runs `client` on another thread while this one dispatches events, as the
// program's loop would; its result.
template <typename T>
T WhileServing(const std::function<T()>& client) {
  std::atomic<bool> done{false};
  T result{};
  std::thread t([&]() {
    result = client();
    done = true;
  });
  for (int i = 0; i < 4000 && !done; ++i) qv::PumpMessages();
  while (!done) qv::PumpMessages();
  t.join();
  qv::PumpMessages();
  return result;
}

UINT Execute(const std::string& data, const char* topic = "frmZEK", DWORD* flags = nullptr) {
  return WhileServing<UINT>([&]() { return qv::DdeClientExecute("QVTEST", topic, data.data(), data.size(), 5000, flags); });
}

// A raw client: connects, sends `bytes`, optionally closes its sending side,
// and returns what the server sent before closing (after at most 3 s).
int Connect(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

std::string ReadToEnd(int fd) {
  timeval tv{3, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  std::string out;
  char buf[512];
  ssize_t n;
  while ((n = recv(fd, buf, sizeof buf, 0)) > 0) out.append(buf, static_cast<size_t>(n));
  return out;
}

std::string RawExchange(const std::string& path, const std::string& bytes) {
  return WhileServing<std::string>([&]() {
    const int fd = Connect(path);
    if (fd < 0) return std::string("no connection");
    send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    std::string answer = ReadToEnd(fd);
    close(fd);
    return answer;
  });
}

std::string ExecuteRequest(const std::string& topic, const std::string& data) {
  qv::dde::Request r;
  r.type = XTYP_EXECUTE;
  r.format = CF_TEXT;
  r.topic = topic;
  r.data = data;
  return qv::dde::EncodeRequest(r);
}

class DdeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_uiThread = std::this_thread::get_id();
    g_calls.clear();
    g_answer = DDE_FACK;
    folder_ = (tmp_.path() / "dde").string();
    qv::SetDdeFolderForTests(folder_);
    ASSERT_EQ(DdeInitializeA(&g_inst[0], Recorder<0>, APPCLASS_STANDARD | CBF_FAIL_POKES, 0), DMLERR_NO_ERROR);
    ASSERT_TRUE(Register(g_inst[0], "QVTEST"));
  }
  void TearDown() override {
    qv::SetDdeBusy(false);
    for (DWORD& inst : g_inst) {
      if (inst) DdeUninitialize(inst);
      inst = 0;
    }
    qv::SetDdeFolderForTests("");
  }

  static bool Register(DWORD inst, const char* name, UINT cmd = DNS_REGISTER) {
    HSZ h = DdeCreateStringHandleA(inst, name, 0);
    const bool ok = DdeNameService(inst, h, nullptr, cmd) != nullptr;
    DdeFreeStringHandle(inst, h);
    return ok;
  }

  std::string SocketPath() const { return folder_ + "/QVTEST"; }

  qvtest::TempDir tmp_;
  std::string folder_;
};

TEST_F(DdeTest, AnExecuteRunsTheConversationOnTheUiThread) {
  ASSERT_TRUE(qv::DdeServiceListening(g_inst[0], "QVTEST"));
  const std::string data("NEW_PATH_SET    T:\\x\0", 21);
  DWORD flags = 0;
  EXPECT_EQ(Execute(data, "frmZEK", &flags), DMLERR_NO_ERROR);
  EXPECT_EQ(flags, static_cast<DWORD>(DDE_FACK));
  ASSERT_EQ(Types(), (std::vector<UINT>{XTYP_CONNECT, XTYP_CONNECT_CONFIRM, XTYP_EXECUTE, XTYP_DISCONNECT}));
  EXPECT_EQ(g_calls[0].hsz1, "frmZEK");
  EXPECT_EQ(g_calls[0].hsz2, "QVTEST");
  EXPECT_EQ(g_calls[2].hsz1, "frmZEK");
  EXPECT_EQ(g_calls[2].data, data);  // byte for byte, the zero included
  for (const Call& c : g_calls) EXPECT_TRUE(c.onThisThread);

  // Another topic: refused at the connection, nothing executed.
  g_calls.clear();
  EXPECT_EQ(Execute("x", "system"), static_cast<UINT>(DMLERR_NO_CONV_ESTABLISHED));
  EXPECT_EQ(Types(), std::vector<UINT>{XTYP_CONNECT});
  // The callback's own answer reaches the client.
  g_answer = DDE_FNOTPROCESSED;
  EXPECT_EQ(Execute("x"), static_cast<UINT>(DMLERR_NOTPROCESSED));
  g_answer = DDE_FBUSY;
  EXPECT_EQ(Execute("x"), static_cast<UINT>(DMLERR_BUSY));
  // A request the callback answers with nothing gives no data.
  g_calls.clear();
  std::string got = "unchanged";
  EXPECT_EQ(WhileServing<UINT>([&]() { return qv::DdeClientRequest("QVTEST", "frmZEK", "item", 5000, &got); }),
            static_cast<UINT>(DMLERR_NOTPROCESSED));
  EXPECT_EQ(got, "");
  EXPECT_EQ(Types(), (std::vector<UINT>{XTYP_CONNECT, XTYP_CONNECT_CONFIRM, XTYP_REQUEST, XTYP_DISCONNECT}));
  EXPECT_EQ(g_calls[2].hsz2, "item");
  // No service of that name: no conversation.
  EXPECT_EQ(qv::DdeClientExecute("NOSUCH", "frmZEK", "x", 1, 1000), static_cast<UINT>(DMLERR_NO_CONV_ESTABLISHED));
}

TEST_F(DdeTest, WhileBusyEveryClientHearsBusyWithoutTheUiThread) {
  // This thread dispatches nothing while the clients wait: the answers
  // come from the sockets' own thread, and the callback is never called.
  qv::SetDdeBusy(true);
  DWORD flags = 0;
  EXPECT_EQ(qv::DdeClientExecute("QVTEST", "frmZEK", "x", 1, 5000, &flags), static_cast<UINT>(DMLERR_BUSY));
  EXPECT_EQ(flags, static_cast<DWORD>(DDE_FBUSY));
  std::string got = "unchanged";
  EXPECT_EQ(qv::DdeClientRequest("QVTEST", "frmZEK", "item", 5000, &got), static_cast<UINT>(DMLERR_BUSY));
  EXPECT_EQ(got, "");
  qv::PumpMessages();
  EXPECT_TRUE(g_calls.empty());

  qv::SetDdeBusy(false);
  // Not busy: served as ever.
  EXPECT_EQ(Execute("x"), DMLERR_NO_ERROR);
}

TEST_F(DdeTest, TheFolderAndTheSocketAreTheUsersAlone) {
  struct stat st {};
  ASSERT_EQ(stat(folder_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(lstat(SocketPath().c_str(), &st), 0);
  EXPECT_TRUE(S_ISSOCK(st.st_mode));
  EXPECT_EQ(st.st_mode & 077, 0u);

  // A folder of ours open to others is closed again; a link or a folder of
  // another user is never used.
  const std::string open = (tmp_.path() / "open").string();
  fs::create_directories(open);
  chmod(open.c_str(), 0777);
  EXPECT_TRUE(qv::dde::PreparePrivateFolder(open));
  ASSERT_EQ(stat(open.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  const std::string link = (tmp_.path() / "link").string();
  fs::create_directory_symlink(open, link);
  EXPECT_FALSE(qv::dde::PreparePrivateFolder(link));
  if (geteuid() == 0) {
    const std::string foreign = (tmp_.path() / "foreign").string();
    fs::create_directories(foreign);
    ASSERT_EQ(chown(foreign.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(qv::dde::PreparePrivateFolder(foreign));
    qv::SetDdeFolderForTests(foreign);
    EXPECT_FALSE(qv::DdeServiceListening(g_inst[0], "QVTEST"));
    EXPECT_EQ(Register(g_inst[0], "OTHER"), false);
  }
  // Names that do not fit a socket address are refused, others escaped.
  EXPECT_EQ(qv::dde::SocketPath("/d", "a b/c"), "/d/a%20b%2Fc");
  EXPECT_EQ(qv::dde::SocketPath("/d", ""), "");
  EXPECT_EQ(qv::dde::SocketPath("/d", std::string(120, 'x')), "");
}

TEST_F(DdeTest, AnotherUserIsNeitherAnsweredNorServed) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  // The folder keeps the other user out before the server is reached.
  const std::string bytes = ExecuteRequest("frmZEK", std::string("NEW_PATH_SET    T:\\y\0", 21));
  const std::string path = SocketPath();
  auto asOther = [&](bool raw) {
    return WhileServing<int>([&]() {
      return qvtest::RunUnprivileged([&]() -> int {
        if (!raw) return static_cast<int>(qv::DdeClientExecute("QVTEST", "frmZEK", "x", 1, 3000) & 0xFF);
        const int fd = Connect(path);
        if (fd < 0) return 1;
        send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        char c;
        return recv(fd, &c, 1, 0) > 0 ? 3 : 2;  // 2: closed without a word
      });
    });
  };
  EXPECT_EQ(asOther(false), DMLERR_NO_CONV_ESTABLISHED & 0xFF);
  EXPECT_EQ(asOther(true), 1);
  // With the folders and the socket opened up, the server itself refuses.
  chmod(tmp_.path().c_str(), 0755);
  chmod(folder_.c_str(), 0777);
  chmod(path.c_str(), 0777);
  EXPECT_EQ(asOther(true), 2);
  EXPECT_TRUE(g_calls.empty());
  // And a client never talks to a server of another user.
  EXPECT_EQ(asOther(false), DMLERR_NO_CONV_ESTABLISHED & 0xFF);
  EXPECT_TRUE(g_calls.empty());
}

TEST_F(DdeTest, BadClientsChangeNothingAndHoldNothingUp) {
  const std::string path = SocketPath();
  // Not our format, an impossible length, a second request after the first:
  // closed without an answer.
  EXPECT_EQ(RawExchange(path, "GET / HTTP/1.0\r\n\r\n"), "");
  std::string huge = ExecuteRequest("frmZEK", "");
  huge[24] = '\xFF';
  huge[25] = '\xFF';
  huge[26] = '\xFF';
  EXPECT_EQ(RawExchange(path, huge), "");
  EXPECT_EQ(RawExchange(path, ExecuteRequest("frmZEK", "a") + ExecuteRequest("frmZEK", "b")), "");
  EXPECT_TRUE(g_calls.empty());

  // Half a request, then gone: nothing happens.
  const std::string whole = ExecuteRequest("frmZEK", "NEW_PATH_SET    T:\\half");
  WhileServing<int>([&]() {
    const int fd = Connect(path);
    send(fd, whole.data(), whole.size() - 3, MSG_NOSIGNAL);
    close(fd);
    return 0;
  });
  EXPECT_TRUE(g_calls.empty());

  // A client that says nothing and stays does not hold up the next one;
  // binary data, oversized data and data without a zero arrive as sent.
  const int silent = Connect(path);
  ASSERT_GE(silent, 0);
  std::string binary;
  for (int i = 0; i < 256; ++i) binary += static_cast<char>(i);
  EXPECT_EQ(Execute(binary), DMLERR_NO_ERROR);
  EXPECT_EQ(Execute(std::string(10000, 'A')), DMLERR_NO_ERROR);
  ASSERT_EQ(g_calls.size(), 8u);
  EXPECT_EQ(g_calls[2].data, binary);
  EXPECT_EQ(g_calls[6].data.size(), 10000u);
  close(silent);

  // Data beyond the library's limit is not sent at all.
  EXPECT_EQ(qv::DdeClientExecute("QVTEST", "frmZEK", std::string(qv::dde::kMaxData + 1, 'x').data(),
                                 qv::dde::kMaxData + 1, 1000),
            static_cast<UINT>(DMLERR_INVALIDPARAMETER));
  qv::dde::Request r;
  EXPECT_EQ(qv::dde::DecodeRequest(whole.substr(0, 10), &r), qv::dde::Parse::NeedMore);
  EXPECT_EQ(qv::dde::DecodeRequest(whole, &r), qv::dde::Parse::Done);
  EXPECT_EQ(r.data, "NEW_PATH_SET    T:\\half");
}

TEST_F(DdeTest, SilentClientsNeverKeepAnotherClientOut) {
  // Many clients of the user connect and say nothing.
  std::vector<int> silent;
  WhileServing<int>([&]() {
    for (int i = 0; i < 100; ++i) silent.push_back(Connect(SocketPath()));
    return 0;
  });
  ASSERT_EQ(silent.size(), 100u);
  for (int fd : silent) ASSERT_GE(fd, 0);

  // The next client is served all the same, and the one after it.
  EXPECT_EQ(Execute("NEW_PATH_SET    T:\\served"), DMLERR_NO_ERROR);
  EXPECT_EQ(Execute("OLD_PATH_SET    T:\\served"), DMLERR_NO_ERROR);
  ASSERT_EQ(g_calls.size(), 8u);
  EXPECT_EQ(g_calls[2].data, "NEW_PATH_SET    T:\\served");

  // Room was made by closing the clients that had waited longest; the
  // latest silent ones are still open, waiting for their requests.
  char byte;
  EXPECT_EQ(recv(silent.front(), &byte, 1, MSG_DONTWAIT), 0);
  EXPECT_EQ(recv(silent.back(), &byte, 1, MSG_DONTWAIT), -1);
  EXPECT_EQ(errno, EAGAIN);
  for (int fd : silent) close(fd);
}

TEST_F(DdeTest, TheFirstRegisteredAnswersAndAStaleSocketIsTakenOver) {
  // A second instance of the same service waits: the first keeps answering.
  ASSERT_EQ(DdeInitializeA(&g_inst[1], Recorder<1>, APPCLASS_STANDARD, 0), DMLERR_NO_ERROR);
  EXPECT_TRUE(Register(g_inst[1], "QVTEST"));
  EXPECT_FALSE(qv::DdeServiceListening(g_inst[1], "QVTEST"));
  EXPECT_EQ(Execute("one"), DMLERR_NO_ERROR);
  ASSERT_FALSE(g_calls.empty());
  EXPECT_EQ(g_calls[0].hsz1, "frmZEK");

  // When the first goes, the second takes the service over.
  EXPECT_TRUE(Register(g_inst[0], "QVTEST", DNS_UNREGISTER));
  for (int i = 0; i < 600 && !qv::DdeServiceListening(g_inst[1], "QVTEST"); ++i) {
    qv::PumpMessages();
    usleep(10000);
  }
  ASSERT_TRUE(qv::DdeServiceListening(g_inst[1], "QVTEST"));
  g_calls.clear();
  EXPECT_EQ(Execute("two"), DMLERR_NO_ERROR);
  ASSERT_FALSE(g_calls.empty());
  EXPECT_EQ(g_calls[0].hsz1, "#2:frmZEK");
  DdeUninitialize(g_inst[1]);
  g_inst[1] = 0;

  // A crashed instance leaves its socket: the next one replaces it.
  const std::string path = SocketPath();
  const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  close(stale);
  EXPECT_EQ(qv::DdeClientExecute("QVTEST", "frmZEK", "x", 1, 1000), static_cast<UINT>(DMLERR_NO_CONV_ESTABLISHED));
  EXPECT_TRUE(Register(g_inst[0], "QVTEST"));
  EXPECT_TRUE(qv::DdeServiceListening(g_inst[0], "QVTEST"));
  g_calls.clear();
  EXPECT_EQ(Execute("three"), DMLERR_NO_ERROR);
  EXPECT_EQ(g_calls.size(), 4u);
}

}  // namespace
