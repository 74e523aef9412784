// The DDE management library's server side on Qt's local sockets: one
// listening socket per registered service, one connection per transaction,
// the program's callback called on the user-interface thread.
#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "platform/ui/ddeml.h"
#include "platform/ui/qt/hwnd.h"

namespace {

// A client has this long to send its whole request.
constexpr int kRequestMs = 10000;
// A taken service is tried again this often.
constexpr int kRetryMs = 1000;
// Connections a service keeps open at the same time. A client that comes
// while that many are open takes the place of the one that has waited
// longest without sending its whole request, so clients that say nothing
// never keep another client of the user's out; only when every open
// connection has sent its request is the newcomer closed.
constexpr int kMaxConnections = 64;

struct StringHandle {
  DWORD inst;
  std::string text;
};

struct DataHandle {
  std::string bytes;
};

class Listener;

struct Instance {
  PFNCALLBACK callback = nullptr;
  DWORD flags = 0;
  UINT lastError = DMLERR_NO_ERROR;
};

struct Service {
  DWORD inst;
  std::string name;
  QPointer<Listener> listener;
};

struct Registry {
  DWORD nextInst = 1;
  ULONG_PTR nextConv = 1;
  std::map<DWORD, Instance> instances;
  std::vector<std::unique_ptr<Service>> services;
  std::set<StringHandle*> strings;
  std::set<DataHandle*> data;
  bool running = false;  // services listen (else they wait to be started)
};

Registry& R() {
  static Registry* registry = new Registry;
  return *registry;
}

Instance* FindInstance(DWORD id) {
  auto it = R().instances.find(id);
  return it == R().instances.end() ? nullptr : &it->second;
}

StringHandle* LiveString(HSZ h) {
  auto* s = reinterpret_cast<StringHandle*>(h);
  return s && R().strings.count(s) ? s : nullptr;
}

HSZ NewString(DWORD inst, const std::string& text) {
  auto* s = new StringHandle{inst, text};
  R().strings.insert(s);
  return reinterpret_cast<HSZ>(s);
}

void FreeString(HSZ h) {
  if (StringHandle* s = LiveString(h)) {
    R().strings.erase(s);
    delete s;
  }
}

void ProcessReady();

// One client connection: collects one request, waits its turn, answers.
class Connection : public QObject {
 public:
  Connection(QLocalSocket* socket, DWORD inst, std::string service, QObject* parent)
      : QObject(parent), socket_(socket), inst_(inst), service_(std::move(service)) {
    socket_->setParent(this);
    QObject::connect(socket_, &QLocalSocket::readyRead, this, [this]() { Read(); });
    QObject::connect(socket_, &QLocalSocket::disconnected, this, [this]() { Gone(); });
    QObject::connect(socket_, &QLocalSocket::errorOccurred, this, [this](QLocalSocket::LocalSocketError) {
      if (socket_->state() != QLocalSocket::ConnectedState) Gone();
    });
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, this, [this]() { Drop(); });
    timer_.start(kRequestMs);
    Read();
  }

  DWORD inst() const { return inst_; }
  const std::string& service() const { return service_; }
  // Open and still waiting for (the rest of) its request.
  bool Waiting() const { return !complete_ && !closed_; }
  // Open: neither closed by either side nor answered.
  bool Open() const { return !closed_ && !answered_; }
  // Closes a connection whose request has not come whole.
  void Evict() {
    if (Waiting()) Drop();
  }
  const qv::dde::Request& request() const { return request_; }

  void Answer(const qv::dde::Reply& reply) {
    answered_ = true;
    const std::string bytes = qv::dde::EncodeReply(reply);
    if (socket_->state() == QLocalSocket::ConnectedState) {
      socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
      socket_->disconnectFromServer();
    }
    if (socket_->state() == QLocalSocket::UnconnectedState) deleteLater();
  }

 private:
  void Read() {
    if (complete_) return;
    const QByteArray more = socket_->readAll();
    buffer_.append(more.constData(), static_cast<size_t>(more.size()));
    const qv::dde::Parse p = qv::dde::DecodeRequest(buffer_, &request_);
    if (p == qv::dde::Parse::Bad) {
      Drop();
    } else if (p == qv::dde::Parse::Done) {
      complete_ = true;
      timer_.stop();
      buffer_.clear();
      Queue().push_back(this);
      ProcessReady();
    }
  }

  // The client went: before its request was whole nothing happens; a
  // request already queued is still carried out (its answer is lost).
  void Gone() {
    closed_ = true;
    if (!complete_ || answered_) deleteLater();
  }

  void Drop() {
    closed_ = true;
    socket_->abort();
    if (!complete_) deleteLater();
  }

 public:
  static std::deque<QPointer<Connection>>& Queue() {
    static std::deque<QPointer<Connection>> queue;
    return queue;
  }

 private:
  QLocalSocket* socket_;
  DWORD inst_;
  std::string service_;
  std::string buffer_;
  qv::dde::Request request_;
  QTimer timer_;
  bool complete_ = false;
  bool answered_ = false;
  bool closed_ = false;
};

// The listening socket of one registered service, with the lock that makes
// its holder the service's one server.
class Listener : public QObject {
 public:
  Listener(DWORD inst, std::string name) : inst_(inst), name_(std::move(name)) {
    retry_.setInterval(kRetryMs);
    QObject::connect(&retry_, &QTimer::timeout, this, [this]() {
      if (TryListen() != Outcome::Taken) retry_.stop();
    });
    QObject::connect(&server_, &QLocalServer::newConnection, this, [this]() { Accept(); });
  }

  ~Listener() override { Stop(); }

  enum class Outcome { Listening, Taken, Failed };

  Outcome TryListen() {
    if (server_.isListening()) return Outcome::Listening;
    const std::string folder = qv::dde::SocketFolder();
    if (!qv::dde::PreparePrivateFolder(folder)) return Outcome::Failed;
    const std::string path = qv::dde::SocketPath(folder, name_);
    if (path.empty()) return Outcome::Failed;
    const std::string lockPath = path + ".lock";
    const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return Outcome::Failed;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const bool taken = errno == EWOULDBLOCK;
      close(fd);
      if (taken && !retry_.isActive()) retry_.start();
      return taken ? Outcome::Taken : Outcome::Failed;
    }
    // The lock is ours: a socket left at the path belongs to an instance
    // that has gone.
    unlink(path.c_str());
    if (!server_.listen(QString::fromLocal8Bit(path.c_str()))) {
      close(fd);
      return Outcome::Failed;
    }
    chmod(path.c_str(), 0600);
    lockFd_ = fd;
    path_ = path;
    return Outcome::Listening;
  }

  void Stop() {
    retry_.stop();
    if (server_.isListening()) server_.close();
    if (lockFd_ >= 0) {
      close(lockFd_);
      lockFd_ = -1;
    }
    path_.clear();
  }

  bool listening() const { return server_.isListening(); }

 private:
  void Accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
      unsigned long peer = 0;
      const bool sameUser = qv::dde::PeerUid(static_cast<int>(socket->socketDescriptor()), &peer) &&
                            peer == qv::dde::OwnUid();
      if (!sameUser || !MakeRoom()) {
        socket->abort();
        socket->deleteLater();
        continue;
      }
      new Connection(socket, inst_, name_, this);
    }
  }

  // True when a new connection may be kept: fewer than the limit are open,
  // or the oldest one still waiting for its request was closed for it.
  bool MakeRoom() {
    int open = 0;
    Connection* oldestWaiting = nullptr;
    // Children are listed in the order they were made.
    for (Connection* c : findChildren<Connection*>(Qt::FindDirectChildrenOnly)) {
      if (!c->Open()) continue;
      ++open;
      if (oldestWaiting == nullptr && c->Waiting()) oldestWaiting = c;
    }
    if (open < kMaxConnections) return true;
    if (oldestWaiting == nullptr) return false;
    oldestWaiting->Evict();
    return true;
  }

  DWORD inst_;
  std::string name_;
  QLocalServer server_;
  QTimer retry_;
  int lockFd_ = -1;
  std::string path_;
};

HDDEDATA Call(DWORD inst, UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data, ULONG_PTR d1,
              ULONG_PTR d2) {
  Instance* in = FindInstance(inst);
  if (in == nullptr || in->callback == nullptr) return nullptr;
  return in->callback(type, format, conv, hsz1, hsz2, data, d1, d2);
}

DWORD Flags(DWORD inst) {
  Instance* in = FindInstance(inst);
  return in ? in->flags : 0;
}

// One transaction through the instance's callback, as the library's
// conversation would run it.
qv::dde::Reply Transact(DWORD inst, const std::string& service, const qv::dde::Request& request) {
  qv::dde::Reply reply;
  if (FindInstance(inst) == nullptr) {
    reply.status = qv::dde::ReplyStatus::NotAvailable;
    return reply;
  }
  HSZ topic = NewString(inst, request.topic);
  HSZ name = NewString(inst, service);
  HSZ item = NewString(inst, request.item);
  auto* conv = reinterpret_cast<HCONV>(R().nextConv++);
  const bool accepted =
      !(Flags(inst) & CBF_FAIL_CONNECTIONS) && Call(inst, XTYP_CONNECT, 0, nullptr, topic, name, nullptr, 0, FALSE);
  if (!accepted) {
    reply.status = qv::dde::ReplyStatus::Refused;
  } else {
    if (!(Flags(inst) & CBF_SKIP_CONNECT_CONFIRMS)) {
      Call(inst, XTYP_CONNECT_CONFIRM, 0, conv, topic, name, nullptr, 0, FALSE);
    }
    if (request.type == XTYP_EXECUTE) {
      if (!(Flags(inst) & CBF_FAIL_EXECUTES)) {
        auto* data = new DataHandle{request.data};
        R().data.insert(data);
        const HDDEDATA result =
            Call(inst, XTYP_EXECUTE, 0, conv, topic, nullptr, reinterpret_cast<HDDEDATA>(data), 0, 0);
        R().data.erase(data);
        delete data;
        reply.result = static_cast<DWORD>(reinterpret_cast<uintptr_t>(result)) & 0xFFFF;
      }
    } else if (!(Flags(inst) & CBF_FAIL_REQUESTS)) {
      const HDDEDATA result = Call(inst, XTYP_REQUEST, request.format, conv, topic, item, nullptr, 0, 0);
      auto* data = reinterpret_cast<DataHandle*>(result);
      if (data && R().data.count(data)) {
        reply.data = data->bytes;
        R().data.erase(data);
        delete data;
      }
    }
    if (!(Flags(inst) & CBF_SKIP_DISCONNECTS)) Call(inst, XTYP_DISCONNECT, 0, conv, nullptr, nullptr, nullptr, 0, FALSE);
  }
  FreeString(topic);
  FreeString(name);
  FreeString(item);
  return reply;
}

// Carries out the queued requests one after the other; a request that
// becomes whole while a callback runs waits for it.
void ProcessReady() {
  static bool busy = false;
  if (busy) return;
  busy = true;
  auto& queue = Connection::Queue();
  while (!queue.empty()) {
    QPointer<Connection> c = queue.front();
    queue.pop_front();
    if (c.isNull()) continue;
    // Copies: the connection may go while the callback runs.
    const DWORD inst = c->inst();
    const std::string service = c->service();
    const qv::dde::Request request = c->request();
    const qv::dde::Reply reply = Transact(inst, service, request);
    if (!c.isNull()) c->Answer(reply);
  }
  busy = false;
}

Service* FindService(DWORD inst, const std::string& name) {
  for (auto& s : R().services) {
    if (s->inst == inst && s->name == name) return s.get();
  }
  return nullptr;
}

// Starts a registered service listening; false when it cannot (a service
// held by another instance is still started: it waits for its turn).
bool Start(Service& s) {
  if (QCoreApplication::instance() == nullptr) return false;
  if (s.listener.isNull()) s.listener = new Listener(s.inst, s.name);
  s.listener->setParent(QCoreApplication::instance());
  return s.listener->TryListen() != Listener::Outcome::Failed;
}

void StopAll() {
  for (auto& s : R().services) {
    if (!s->listener.isNull()) delete s->listener.data();
  }
}

}  // namespace

UINT DdeInitializeA(LPDWORD pidInst, PFNCALLBACK pfnCallback, DWORD afCmd, DWORD) {
  if (pidInst == nullptr || pfnCallback == nullptr) return DMLERR_INVALIDPARAMETER;
  if (*pidInst != 0) {
    Instance* in = FindInstance(*pidInst);
    if (in == nullptr) return DMLERR_INVALIDPARAMETER;
    in->flags = afCmd;
    return DMLERR_NO_ERROR;
  }
  const DWORD id = R().nextInst++;
  Instance& in = R().instances[id];
  in.callback = pfnCallback;
  in.flags = afCmd;
  *pidInst = id;
  return DMLERR_NO_ERROR;
}

BOOL DdeUninitialize(DWORD idInst) {
  if (FindInstance(idInst) == nullptr) return FALSE;
  auto& services = R().services;
  for (auto it = services.begin(); it != services.end();) {
    if ((*it)->inst == idInst) {
      if (!(*it)->listener.isNull()) delete (*it)->listener.data();
      it = services.erase(it);
    } else {
      ++it;
    }
  }
  for (auto it = R().strings.begin(); it != R().strings.end();) {
    if ((*it)->inst == idInst) {
      delete *it;
      it = R().strings.erase(it);
    } else {
      ++it;
    }
  }
  R().instances.erase(idInst);
  return TRUE;
}

HSZ DdeCreateStringHandleA(DWORD idInst, LPCSTR psz, int) {
  if (FindInstance(idInst) == nullptr || psz == nullptr) return nullptr;
  return NewString(idInst, psz);
}

BOOL DdeFreeStringHandle(DWORD idInst, HSZ hsz) {
  StringHandle* s = LiveString(hsz);
  if (s == nullptr || s->inst != idInst) return FALSE;
  FreeString(hsz);
  return TRUE;
}

DWORD DdeQueryStringA(DWORD, HSZ hsz, LPSTR psz, DWORD cchMax, int) {
  StringHandle* s = LiveString(hsz);
  if (s == nullptr) return 0;
  if (psz == nullptr) return static_cast<DWORD>(s->text.size());
  if (cchMax == 0) return 0;
  const size_t n = std::min(s->text.size(), static_cast<size_t>(cchMax - 1));
  std::memcpy(psz, s->text.data(), n);
  psz[n] = 0;
  return static_cast<DWORD>(n);
}

HDDEDATA DdeNameService(DWORD idInst, HSZ hsz1, HSZ, UINT afCmd) {
  Instance* in = FindInstance(idInst);
  StringHandle* s = LiveString(hsz1);
  if (in == nullptr) return nullptr;
  if (s == nullptr || (in->flags & APPCMD_CLIENTONLY) || (afCmd & (DNS_REGISTER | DNS_UNREGISTER)) == 0) {
    in->lastError = DMLERR_INVALIDPARAMETER;
    return nullptr;
  }
  const std::string name = s->text;
  if (afCmd & DNS_UNREGISTER) {
    auto& services = R().services;
    for (auto it = services.begin(); it != services.end(); ++it) {
      if ((*it)->inst == idInst && (*it)->name == name) {
        if (!(*it)->listener.isNull()) delete (*it)->listener.data();
        services.erase(it);
        return reinterpret_cast<HDDEDATA>(1);
      }
    }
    in->lastError = DMLERR_INVALIDPARAMETER;
    return nullptr;
  }
  if (qv::dde::SocketPath("/", name).empty()) {
    in->lastError = DMLERR_INVALIDPARAMETER;
    return nullptr;
  }
  if (FindService(idInst, name)) return reinterpret_cast<HDDEDATA>(1);
  R().services.push_back(std::make_unique<Service>(Service{idInst, name, nullptr}));
  if (R().running && QCoreApplication::instance() && !Start(*R().services.back())) {
    R().services.pop_back();
    in = FindInstance(idInst);
    if (in) in->lastError = DMLERR_SYS_ERROR;
    return nullptr;
  }
  return reinterpret_cast<HDDEDATA>(1);
}

DWORD DdeGetData(HDDEDATA hData, LPBYTE pDst, DWORD cbMax, DWORD cbOff) {
  auto* d = reinterpret_cast<DataHandle*>(hData);
  if (d == nullptr || R().data.count(d) == 0) return 0;
  const size_t size = d->bytes.size();
  if (pDst == nullptr) return static_cast<DWORD>(size);
  if (cbOff >= size) return 0;
  const size_t n = std::min(static_cast<size_t>(cbMax), size - cbOff);
  std::memcpy(pDst, d->bytes.data() + cbOff, n);
  return static_cast<DWORD>(n);
}

UINT DdeGetLastError(DWORD idInst) {
  Instance* in = FindInstance(idInst);
  if (in == nullptr) return DMLERR_DLL_NOT_INITIALIZED;
  const UINT e = in->lastError;
  in->lastError = DMLERR_NO_ERROR;
  return e;
}

namespace qv {

void StartDdeServices() {
  ui::EnsureApp();
  R().running = true;
  for (auto& s : R().services) Start(*s);
}

void SetDdeFolderForTests(const std::string& folder) {
  StopAll();
  dde::SetFolderOverride(folder);
  if (folder.empty()) {
    R().running = false;
    return;
  }
  StartDdeServices();
}

bool DdeServiceListening(DWORD idInst, const char* service) {
  Service* s = FindService(idInst, service ? service : "");
  return s && !s->listener.isNull() && s->listener->listening();
}

}  // namespace qv
