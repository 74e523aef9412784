// The DDE management library's server side on Qt's local sockets: one
// listening socket per registered service, one connection per transaction,
// the program's callback called on the user-interface thread.
//
// The sockets belong to a thread of their own, so that a client is heard
// and answered also while the user-interface thread is held by long work:
// a whole request goes to the user-interface thread for the callback, and
// the answer comes back to the socket thread, which sends it at once; while
// the process says it is busy (qv::SetDdeBusy) the socket thread answers
// busy itself.
#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
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
  // Made, used and deleted on the socket thread only (see OnSocketThread).
  Listener* listener;
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

// The process is busy: transactions are answered busy without the callback.
std::atomic<bool> g_busy{false};

qv::dde::Reply BusyReply() {
  qv::dde::Reply reply;
  reply.result = DDE_FBUSY;
  return reply;
}

// The thread that owns the listening sockets and the connections, and an
// object of it that runs what other threads hand it.
QThread* g_socketThread = nullptr;
QObject* g_socketHub = nullptr;

void StopSocketThread();

// Runs `work` on the socket thread and waits for it (the thread is started
// the first time).
void OnSocketThread(const std::function<void()>& work) {
  if (g_socketThread == nullptr) {
    if (QCoreApplication::instance() == nullptr) return;
    g_socketThread = new QThread;
    g_socketThread->setObjectName(QStringLiteral("dde-sockets"));
    g_socketHub = new QObject;
    g_socketHub->moveToThread(g_socketThread);
    g_socketThread->start();
    // The thread ends before the application and the process do.
    qAddPostRoutine(StopSocketThread);
    std::atexit(StopSocketThread);
  }
  if (QThread::currentThread() == g_socketThread) {
    work();
  } else {
    QMetaObject::invokeMethod(g_socketHub, work, Qt::BlockingQueuedConnection);
  }
}

void Submit(class Connection* c);

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
      // Sent now: what the answer lets happen next (a run) must not come
      // before it.
      socket_->flush();
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
      Submit(this);
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

// A whole request on its way to the callback.
struct Job {
  quint64 id;
  DWORD inst;
  std::string service;
  qv::dde::Request request;
};

// Socket thread: the connections whose requests are with the callback.
// (Never destroyed: the thread may still use it while the process ends.)
std::map<quint64, QPointer<Connection>>& Waiting() {
  static auto* waiting = new std::map<quint64, QPointer<Connection>>;
  return *waiting;
}

// Socket thread: sends the answer of a job to its client, when it is still
// there.
void Answered(quint64 id, const qv::dde::Reply& reply) {
  auto it = Waiting().find(id);
  if (it == Waiting().end()) return;
  QPointer<Connection> c = it->second;
  Waiting().erase(it);
  if (!c.isNull()) c->Answer(reply);
}

void ProcessReady();

// User-interface thread: the jobs in the order their requests came whole.
std::deque<Job>& Jobs() {
  static auto* jobs = new std::deque<Job>;
  return *jobs;
}

// Socket thread: a request has come whole. While the process is busy it is
// answered busy here; otherwise the user-interface thread runs it.
void Submit(Connection* c) {
  if (g_busy.load()) {
    c->Answer(BusyReply());
    return;
  }
  static quint64 nextId = 1;
  const quint64 id = nextId++;
  Waiting()[id] = c;
  Job job{id, c->inst(), c->service(), c->request()};
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) {
    Answered(id, BusyReply());
    return;
  }
  QMetaObject::invokeMethod(
      app,
      [job = std::move(job)]() mutable {
        Jobs().push_back(std::move(job));
        ProcessReady();
      },
      Qt::QueuedConnection);
}

// Carries out the jobs one after the other; a job that arrives while a
// callback runs waits for it. Each answer goes back to the socket thread at
// once, before anything the callback posted runs.
void ProcessReady() {
  static bool busy = false;
  if (busy) return;
  busy = true;
  auto& jobs = Jobs();
  while (!jobs.empty()) {
    const Job job = std::move(jobs.front());
    jobs.pop_front();
    const qv::dde::Reply reply = g_busy.load() ? BusyReply() : Transact(job.inst, job.service, job.request);
    if (g_socketHub) {
      const quint64 id = job.id;
      QMetaObject::invokeMethod(g_socketHub, [id, reply]() { Answered(id, reply); }, Qt::QueuedConnection);
    }
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
  bool started = false;
  OnSocketThread([&]() {
    if (s.listener == nullptr) s.listener = new Listener(s.inst, s.name);
    started = s.listener->TryListen() != Listener::Outcome::Failed;
  });
  return started;
}

// Stops a service's listening socket and closes its connections.
void StopListener(Service& s) {
  if (s.listener == nullptr) return;
  OnSocketThread([&]() {
    delete s.listener;
    s.listener = nullptr;
  });
}

void StopAll() {
  for (auto& s : R().services) StopListener(*s);
}

// Before the application goes (or the process ends without it going): the
// sockets close and the thread ends.
void StopSocketThread() {
  if (g_socketThread == nullptr) return;
  StopAll();
  OnSocketThread([]() {
    Waiting().clear();
    delete g_socketHub;
    g_socketHub = nullptr;
  });
  g_socketThread->quit();
  g_socketThread->wait();
  delete g_socketThread;
  g_socketThread = nullptr;
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
      StopListener(**it);
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
        StopListener(**it);
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
    StopListener(*R().services.back());
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
  if (s == nullptr || s->listener == nullptr) return false;
  bool listening = false;
  OnSocketThread([&]() { listening = s->listener && s->listener->listening(); });
  return listening;
}

void SetDdeBusy(bool busy) { g_busy.store(busy); }

bool DdeBusy() { return g_busy.load(); }

}  // namespace qv
