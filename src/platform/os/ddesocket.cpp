#include "platform/os/ddesocket.h"

#include "platform/os/environment.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace qv::dde {
namespace {

constexpr char kRequestMagic[4] = {'Q', 'V', 'D', 'Q'};
constexpr char kReplyMagic[4] = {'Q', 'V', 'D', 'A'};
constexpr DWORD kVersion = 1;
constexpr size_t kRequestHeader = 28;
constexpr size_t kReplyHeader = 20;

std::mutex g_folderMutex;
std::string g_folderOverride;

void Put32(std::string& out, DWORD v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

DWORD Get32(std::string_view in, size_t at) {
  DWORD v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(in[at + static_cast<size_t>(i)]);
  return v;
}

// A header that has begun with anything but the magic is no message of ours,
// however little of it has arrived.
bool MagicSoFar(std::string_view bytes, const char (&magic)[4]) {
  const size_t n = bytes.size() < 4 ? bytes.size() : 4;
  return std::memcmp(bytes.data(), magic, n) == 0;
}

}  // namespace

std::string EncodeRequest(const Request& r) {
  std::string out(kRequestMagic, 4);
  Put32(out, kVersion);
  Put32(out, r.type);
  Put32(out, r.format);
  Put32(out, static_cast<DWORD>(r.topic.size()));
  Put32(out, static_cast<DWORD>(r.item.size()));
  Put32(out, static_cast<DWORD>(r.data.size()));
  out += r.topic;
  out += r.item;
  out += r.data;
  return out;
}

Parse DecodeRequest(std::string_view bytes, Request* out) {
  if (!MagicSoFar(bytes, kRequestMagic)) return Parse::Bad;
  if (bytes.size() < kRequestHeader) return Parse::NeedMore;
  const DWORD type = Get32(bytes, 8);
  const size_t topic = Get32(bytes, 16);
  const size_t item = Get32(bytes, 20);
  const size_t data = Get32(bytes, 24);
  if (Get32(bytes, 4) != kVersion || (type != XTYP_EXECUTE && type != XTYP_REQUEST) || topic > kMaxName ||
      item > kMaxName || data > kMaxData) {
    return Parse::Bad;
  }
  const size_t total = kRequestHeader + topic + item + data;
  if (bytes.size() < total) return Parse::NeedMore;
  // One transaction a connection: anything after it is no request.
  if (bytes.size() > total) return Parse::Bad;
  if (out) {
    out->type = type;
    out->format = Get32(bytes, 12);
    out->topic.assign(bytes.substr(kRequestHeader, topic));
    out->item.assign(bytes.substr(kRequestHeader + topic, item));
    out->data.assign(bytes.substr(kRequestHeader + topic + item, data));
  }
  return Parse::Done;
}

std::string EncodeReply(const Reply& r) {
  std::string out(kReplyMagic, 4);
  Put32(out, kVersion);
  Put32(out, static_cast<DWORD>(r.status));
  Put32(out, r.result);
  Put32(out, static_cast<DWORD>(r.data.size()));
  out += r.data;
  return out;
}

Parse DecodeReply(std::string_view bytes, Reply* out) {
  if (!MagicSoFar(bytes, kReplyMagic)) return Parse::Bad;
  if (bytes.size() < kReplyHeader) return Parse::NeedMore;
  const size_t data = Get32(bytes, 16);
  if (Get32(bytes, 4) != kVersion || Get32(bytes, 8) > static_cast<DWORD>(ReplyStatus::NotAvailable) ||
      data > kMaxData) {
    return Parse::Bad;
  }
  if (bytes.size() < kReplyHeader + data) return Parse::NeedMore;
  if (bytes.size() > kReplyHeader + data) return Parse::Bad;
  if (out) {
    out->status = static_cast<ReplyStatus>(Get32(bytes, 8));
    out->result = Get32(bytes, 12);
    out->data.assign(bytes.substr(kReplyHeader, data));
  }
  return Parse::Done;
}

std::string SocketFolder() {
  {
    std::lock_guard<std::mutex> lock(g_folderMutex);
    if (!g_folderOverride.empty()) return g_folderOverride;
  }
  if (const char* dir = std::getenv("QUARVEX_DDE_DIR"); dir && dir[0] == '/') return dir;
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && run[0] == '/') return std::string(run) + "/quarvex-dde";
  return "/tmp/quarvex-dde-" + std::to_string(OwnUid());
}

void SetFolderOverride(const std::string& folder) {
  std::lock_guard<std::mutex> lock(g_folderMutex);
  g_folderOverride = folder;
}

bool PreparePrivateFolder(const std::string& folder) {
  if (folder.empty() || folder[0] != '/') {
    errno = EINVAL;
    return false;
  }
  const int fd = OpenPrivateFolder(folder);
  if (fd < 0) return false;
  close(fd);
  return true;
}

std::string SocketPath(const std::string& folder, std::string_view service) {
  if (service.empty() || service.size() > kMaxName) return "";
  std::string name;
  for (unsigned char c : service) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_') {
      name += static_cast<char>(c);
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      name += '%';
      name += kHex[c >> 4];
      name += kHex[c & 15];
    }
  }
  std::string path = folder + "/" + name;
  if (path.size() >= sizeof(sockaddr_un::sun_path)) return "";
  return path;
}

bool PeerUid(int fd, unsigned long* uid) {
  struct ucred cred {};
  socklen_t len = sizeof cred;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred) return false;
  if (uid) *uid = cred.uid;
  return true;
}

unsigned long OwnUid() { return geteuid(); }

}  // namespace qv::dde

namespace qv {
namespace {

long long NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Waits for the socket to be ready for `events` until the deadline.
bool WaitFor(int fd, short events, long long deadline) {
  for (;;) {
    const long long left = deadline - NowMs();
    if (left <= 0) return false;
    pollfd p{fd, events, 0};
    const int n = poll(&p, 1, static_cast<int>(left > 60000 ? 60000 : left));
    if (n > 0) return true;
    if (n < 0 && errno != EINTR) return false;
  }
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// One transaction: connect, check the server's user, send, read the answer.
UINT Transact(const char* service, const dde::Request& request, DWORD timeoutMs, UINT timeoutError,
              dde::Reply* reply) {
  if (service == nullptr || request.topic.size() > dde::kMaxName || request.item.size() > dde::kMaxName ||
      request.data.size() > dde::kMaxData) {
    return DMLERR_INVALIDPARAMETER;
  }
  const std::string path = dde::SocketPath(dde::SocketFolder(), service);
  if (path.empty()) return DMLERR_INVALIDPARAMETER;
  const long long deadline = NowMs() + timeoutMs;

  Fd sock(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (sock.get() < 0) return DMLERR_SYS_ERROR;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  for (;;) {
    if (connect(sock.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) break;
    if (errno == EINTR) continue;
    // A server whose queue of connections is full: try again shortly.
    if (errno == EAGAIN && NowMs() < deadline) {
      pollfd none{-1, 0, 0};
      poll(&none, 0, 10);
      continue;
    }
    return errno == EAGAIN ? timeoutError : DMLERR_NO_CONV_ESTABLISHED;
  }
  // Only a server of the same user is told anything.
  unsigned long peer = 0;
  if (!dde::PeerUid(sock.get(), &peer) || peer != dde::OwnUid()) return DMLERR_NO_CONV_ESTABLISHED;

  const std::string bytes = dde::EncodeRequest(request);
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(sock.get(), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!WaitFor(sock.get(), POLLOUT, deadline)) return timeoutError;
    } else {
      return DMLERR_NO_CONV_ESTABLISHED;
    }
  }

  std::string answer;
  char buffer[4096];
  for (;;) {
    const ssize_t n = recv(sock.get(), buffer, sizeof buffer, 0);
    if (n > 0) {
      answer.append(buffer, static_cast<size_t>(n));
      const dde::Parse p = dde::DecodeReply(answer, reply);
      if (p == dde::Parse::Done) break;
      if (p == dde::Parse::Bad) return DMLERR_SYS_ERROR;
    } else if (n == 0) {
      // Closed without an answer: the server would not talk to us.
      return DMLERR_NO_CONV_ESTABLISHED;
    } else if (errno == EAGAIN || errno == EINTR) {
      if (!WaitFor(sock.get(), POLLIN, deadline)) return timeoutError;
    } else {
      return DMLERR_NO_CONV_ESTABLISHED;
    }
  }
  if (reply->status == dde::ReplyStatus::Refused) return DMLERR_NO_CONV_ESTABLISHED;
  if (reply->status == dde::ReplyStatus::NotAvailable) return DMLERR_NOTPROCESSED;
  return DMLERR_NO_ERROR;
}

}  // namespace

UINT DdeClientExecute(const char* service, const char* topic, const void* data, size_t size, DWORD timeoutMs,
                      DWORD* flags) {
  if (flags) *flags = 0;
  if (topic == nullptr || (data == nullptr && size != 0)) return DMLERR_INVALIDPARAMETER;
  dde::Request request;
  request.type = XTYP_EXECUTE;
  request.format = CF_TEXT;
  request.topic = topic;
  if (size) request.data.assign(static_cast<const char*>(data), size);
  dde::Reply reply;
  const UINT error = Transact(service, request, timeoutMs, DMLERR_EXECACKTIMEOUT, &reply);
  if (error != DMLERR_NO_ERROR) return error;
  if (flags) *flags = reply.result;
  if (reply.result & DDE_FACK) return DMLERR_NO_ERROR;
  return (reply.result & DDE_FBUSY) ? DMLERR_BUSY : DMLERR_NOTPROCESSED;
}

UINT DdeClientRequest(const char* service, const char* topic, const char* item, DWORD timeoutMs, std::string* data) {
  if (data) data->clear();
  if (topic == nullptr || item == nullptr) return DMLERR_INVALIDPARAMETER;
  dde::Request request;
  request.type = XTYP_REQUEST;
  request.format = CF_TEXT;
  request.topic = topic;
  request.item = item;
  dde::Reply reply;
  const UINT error = Transact(service, request, timeoutMs, DMLERR_DATAACKTIMEOUT, &reply);
  if (error != DMLERR_NO_ERROR) return error;
  if (reply.data.empty()) return (reply.result & DDE_FBUSY) ? DMLERR_BUSY : DMLERR_NOTPROCESSED;
  if (data) *data = reply.data;
  return DMLERR_NO_ERROR;
}

}  // namespace qv
