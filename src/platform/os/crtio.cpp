// This file defines the functions behind the macros of crtio.h and so must
// not see those macros itself.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/os/files.h"
#include "platform/os/paths.h"
#include "platform/os/starts.h"

namespace qv {
FILE* Fopen(const char* path, const char* mode);
FILE* Fsopen(const char* path, const char* mode, int shflag);
}  // namespace qv

namespace qv {
namespace {

// A descriptor in Windows text mode: CR LF on disk, "\n" in the program.
class TextStream {
 public:
  explicit TextStream(int fd) : fd_(fd) {}

  ssize_t Read(char* buf, size_t size) {
    size_t out = 0;
    while (out < size) {
      if (pos_ == len_) {
        if (out > 0 || !Refill(false)) break;
      }
      const char c = buf_[pos_];
      if (c != '\r') {
        buf[out++] = c;
        ++pos_;
        continue;
      }
      if (pos_ + 1 == len_) {
        // Whether this CR starts a CR LF pair depends on the next byte.
        if (out > 0) break;
        if (!Refill(true)) {
          if (error_) break;
          buf[out++] = '\r';  // a CR at the end of the file
          ++pos_;
          continue;
        }
      }
      if (buf_[pos_ + 1] == '\n') {
        buf[out++] = '\n';
        pos_ += 2;
      } else {
        buf[out++] = '\r';
        ++pos_;
      }
    }
    if (out == 0 && error_) {
      error_ = false;
      return -1;
    }
    return static_cast<ssize_t>(out);
  }

  ssize_t Write(const char* buf, size_t size) {
    if (!DropReadAhead()) return -1;
    std::string phys;
    phys.reserve(size + size / 16 + 2);
    for (size_t i = 0; i < size;) {
      const void* nl = std::memchr(buf + i, '\n', size - i);
      const size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - buf) : size;
      phys.append(buf + i, end - i);
      if (nl == nullptr) break;
      phys.append("\r\n", 2);
      i = end + 1;
    }
    size_t done = 0;
    while (done < phys.size()) {
      ssize_t n = qv::OnceMoreWhenFull([&] { return ::write(fd_, phys.data() + done, phys.size() - done); });
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (n == 0) errno = ENOSPC;
        return -1;
      }
      done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(size);
  }

  int Seek(off64_t* offset, int whence) {
    off64_t off = *offset;
    if (whence == SEEK_CUR) off -= static_cast<off64_t>(len_ - pos_);
    len_ = 0;
    pos_ = 0;
    off64_t r = lseek64(fd_, off, whence);
    if (r < 0) return -1;
    *offset = r;
    return 0;
  }

  int Close() {
    int r = ::close(fd_);
    delete this;
    return r;
  }

 private:
  // Reads more bytes after the unread rest (`keepRest`: a lone CR waiting
  // for its partner). False at the end of the file or on an error.
  bool Refill(bool keepRest) {
    if (keepRest) {
      std::memmove(buf_.get(), buf_.get() + pos_, len_ - pos_);
      len_ -= pos_;
    } else {
      len_ = 0;
    }
    pos_ = 0;
    const size_t kept = len_;
    const size_t chunk = 65536;
    // Grown without clearing: a file of a few lines is read often (line
    // counts, diff output), and clearing the whole chunk cost more than the
    // read.
    if (cap_ < kept + chunk) {
      std::unique_ptr<char[]> bigger(new char[kept + chunk]);
      if (kept) std::memcpy(bigger.get(), buf_.get(), kept);
      buf_ = std::move(bigger);
      cap_ = kept + chunk;
    }
    ssize_t n;
    do {
      n = ::read(fd_, buf_.get() + kept, chunk);
    } while (n < 0 && errno == EINTR);
    if (n < 0) error_ = true;
    len_ = kept + (n > 0 ? static_cast<size_t>(n) : 0);
    return n > 0;
  }

  // Before writing after reading, the descriptor goes back to where the
  // program's reading stopped.
  bool DropReadAhead() {
    if (pos_ == len_) {
      len_ = 0;
      pos_ = 0;
      return true;
    }
    off64_t back = static_cast<off64_t>(len_ - pos_);
    len_ = 0;
    pos_ = 0;
    return lseek64(fd_, -back, SEEK_CUR) >= 0;
  }

  int fd_;
  std::unique_ptr<char[]> buf_;
  size_t cap_ = 0;
  size_t len_ = 0;
  size_t pos_ = 0;
  bool error_ = false;
};

ssize_t TextRead(void* c, char* buf, size_t size) { return static_cast<TextStream*>(c)->Read(buf, size); }
ssize_t TextWrite(void* c, const char* buf, size_t size) {
  return static_cast<TextStream*>(c)->Write(buf, size);
}
int TextSeek(void* c, off64_t* offset, int whence) {
  return static_cast<TextStream*>(c)->Seek(offset, whence);
}
int TextClose(void* c) { return static_cast<TextStream*>(c)->Close(); }

struct Mode {
  int flags = 0;
  bool text = true;
  char stdioMode[4] = {};
};

bool ParseMode(const char* mode, Mode& m) {
  if (!mode) return false;
  bool plus = false;
  switch (mode[0]) {
    case 'r':
      m.flags = O_RDONLY;
      break;
    case 'w':
      m.flags = O_WRONLY | O_CREAT | O_TRUNC;
      break;
    case 'a':
      m.flags = O_WRONLY | O_CREAT | O_APPEND;
      break;
    default:
      return false;
  }
  bool sawB = false, sawT = false;
  for (const char* p = mode + 1; *p; ++p) {
    switch (*p) {
      case '+':
        if (plus) return false;
        plus = true;
        break;
      case 'b':
        if (sawB || sawT) return false;
        sawB = true;
        m.text = false;
        break;
      case 't':
        if (sawB || sawT) return false;
        sawT = true;
        break;
      case 'c':
      case 'n':
      case 'N':
      case 'S':
      case 'R':
      case 'T':
      case 'D':
        break;
      case ' ':
        break;
      default:
        return false;  // ",ccs=" and unknown letters
    }
  }
  if (plus) m.flags = (m.flags & ~(O_WRONLY | O_RDONLY)) | O_RDWR;
  m.stdioMode[0] = mode[0];
  m.stdioMode[1] = plus ? '+' : '\0';
  return true;
}

}  // namespace

FILE* Fopen(const char* path, const char* mode) {
  Mode m;
  if (!path || !ParseMode(mode, m)) {
    errno = EINVAL;
    return nullptr;
  }
  // The path as written is tried first; only a name that is not there as
  // written is looked for without regard to case (or made as written).
  std::string os;
  struct stat st;
  bool found = ToOsPathAsWritten(path, os) && stat(os.c_str(), &st) == 0;
  if (!found) {
    if (!ToOsPath(path, os)) {
      errno = ErrnoFromWinError(GetLastError());
      return nullptr;
    }
    found = stat(os.c_str(), &st) == 0;
  }
  if (found && S_ISDIR(st.st_mode)) {
    errno = EACCES;
    return nullptr;
  }
  int fd = CreateOsFile(os, m.flags);
  if (fd < 0) {
    errno = CrtErrnoFromErrno(errno);
    return nullptr;
  }
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    close(fd);
    errno = EACCES;
    return nullptr;
  }
  FILE* f = nullptr;
  if (m.text) {
    cookie_io_functions_t io{TextRead, TextWrite, TextSeek, TextClose};
    auto* stream = new TextStream(fd);
    f = fopencookie(stream, m.stdioMode, io);
    if (!f) {
      delete stream;
      close(fd);
    }
  } else {
    f = fdopen(fd, m.stdioMode);
    if (!f) close(fd);
  }
  if (!f) errno = ENOMEM;
  return f;
}

FILE* Fsopen(const char* path, const char* mode, int shflag) {
  if (shflag != 0x10 && shflag != 0x20 && shflag != 0x30 && shflag != 0x40) {
    errno = EINVAL;
    return nullptr;
  }
  return Fopen(path, mode);
}

}  // namespace qv
