#include "platform/os/versioninfo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/os/files.h"
#include "platform/os/paths.h"

namespace {

constexpr DWORD kFixedSignature = 0xFEEF04BD;
constexpr DWORD kRtVersion = 16;
constexpr DWORD kMaxSections = 96;  // the PE format's own limit

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Reads of a file with every range checked against its size.
class FileReader {
 public:
  explicit FileReader(int fd, uint64_t size) : fd_(fd), size_(size) {}
  bool Read(uint64_t off, size_t len, void* out) const {
    if (off > size_ || len > size_ - off) return false;
    size_t done = 0;
    while (done < len) {
      const ssize_t n = pread(fd_, static_cast<char*>(out) + done, len - done,
                              static_cast<off_t>(off + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }

 private:
  int fd_;
  uint64_t size_;
};

struct SectionMap {
  uint32_t va, rawPtr, rawSize;
};

// File offset of `len` bytes at relative virtual address `rva`, when a
// section's stored bytes hold all of them.
bool RvaToOffset(const std::vector<SectionMap>& sections, uint32_t rva, uint32_t len,
                 uint64_t& off) {
  for (const SectionMap& s : sections) {
    if (rva < s.va) continue;
    const uint64_t delta = rva - s.va;
    if (delta + len <= s.rawSize) {
      off = static_cast<uint64_t>(s.rawPtr) + delta;
      return true;
    }
  }
  return false;
}

// One level of the resource tree: the entry with `id`, or the first entry
// when `id` is 0. Returns the entry's offset field.
bool FindEntry(const FileReader& f, uint64_t dirOff, uint32_t id, uint32_t& target) {
  uint8_t dir[16];
  if (!f.Read(dirOff, sizeof dir, dir)) return false;
  const uint32_t count = static_cast<uint32_t>(Get16(dir + 12)) + Get16(dir + 14);
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t e[8];
    if (!f.Read(dirOff + 16 + 8ull * i, sizeof e, e)) return false;
    const uint32_t name = Get32(e);
    if (id == 0 || (!(name & 0x80000000u) && name == id)) {
      target = Get32(e + 4);
      return true;
    }
  }
  return false;
}

// The bytes of the version block of a PE file; false for any other file.
bool ReadVersionBlock(const char* file, std::vector<uint8_t>& out) {
  out.clear();
  if (!file) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  // Only a regular file can hold a version resource, and a run asks this of
  // every item it lists, most of them folders: the status answers for those.
  // The path as written is tried first, and looked for without regard to
  // case only when it is not there.
  std::string osPath;
  if (!qv::ToOsPathAsWritten(file, osPath)) return false;
  struct stat st;
  int rc = stat(osPath.c_str(), &st);
  if (rc != 0 && (errno == ENOENT || errno == ENOTDIR)) {
    std::string resolved;
    if (!qv::ToOsPath(file, resolved)) return false;
    if (resolved != osPath) {
      osPath = std::move(resolved);
      rc = stat(osPath.c_str(), &st);
    } else {
      errno = ENOENT;
    }
  }
  if (rc != 0) {
    SetLastError(qv::WinErrorFromErrno(errno));
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return false;
  }
  // Opened without waiting (it may have become a FIFO meanwhile) and left
  // so: reads of a regular file never wait anyway.
  int fd;
  do {
    fd = open(osPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    SetLastError(qv::WinErrorFromErrno(errno));
    return false;
  }
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  const FileReader f(fd, ok ? static_cast<uint64_t>(st.st_size) : 0);

  // MZ header, PE signature, file header.
  uint8_t mz[64];
  uint8_t pe[24];
  ok = ok && f.Read(0, sizeof mz, mz) && mz[0] == 'M' && mz[1] == 'Z';
  const uint64_t peOff = ok ? Get32(mz + 0x3C) : 0;
  ok = ok && f.Read(peOff, sizeof pe, pe) && memcmp(pe, "PE\0\0", 4) == 0;
  const uint32_t sectionCount = ok ? Get16(pe + 6) : 0;
  const uint32_t optSize = ok ? Get16(pe + 20) : 0;
  ok = ok && sectionCount <= kMaxSections;

  // Optional header: the resource directory's address and size.
  std::vector<uint8_t> opt(optSize);
  ok = ok && optSize >= 2 && f.Read(peOff + 24, optSize, opt.data());
  uint32_t resRva = 0;
  if (ok) {
    const uint16_t magic = Get16(opt.data());
    const size_t countAt = magic == 0x20B ? 108 : 92;  // PE32+ or PE32
    ok = (magic == 0x10B || magic == 0x20B) && optSize >= countAt + 4;
    if (ok) {
      const uint32_t dirCount = Get32(opt.data() + countAt);
      const size_t resAt = countAt + 4 + 2 * 8;  // third data directory
      ok = dirCount > 2 && optSize >= resAt + 8;
      if (ok) resRva = Get32(opt.data() + resAt);
      ok = ok && resRva != 0;
    }
  }

  std::vector<SectionMap> sections;
  for (uint32_t i = 0; ok && i < sectionCount; ++i) {
    uint8_t sh[40];
    ok = f.Read(peOff + 24 + optSize + 40ull * i, sizeof sh, sh);
    if (ok) {
      const uint32_t vsize = Get32(sh + 8), rawSize = Get32(sh + 16);
      // Bytes past the virtual size are padding, not part of the image.
      sections.push_back(
          {Get32(sh + 12), Get32(sh + 20), vsize != 0 && vsize < rawSize ? vsize : rawSize});
    }
  }

  // Resource tree: type RT_VERSION, then the first name, then the first
  // language; the leaf gives the block's address and size.
  uint64_t resOff = 0;
  ok = ok && RvaToOffset(sections, resRva, 16, resOff);
  uint32_t entry = 0;
  for (uint32_t level = 0; ok && level < 3; ++level) {
    const uint64_t dirOff = level == 0 ? resOff : resOff + (entry & 0x7FFFFFFFu);
    ok = FindEntry(f, dirOff, level == 0 ? kRtVersion : 0, entry) &&
         ((entry & 0x80000000u) != 0) == (level < 2);
  }
  uint8_t leaf[16];
  ok = ok && f.Read(resOff + entry, sizeof leaf, leaf);
  const uint32_t dataRva = ok ? Get32(leaf) : 0, dataSize = ok ? Get32(leaf + 4) : 0;
  uint64_t dataOff = 0;
  // The block starts with its own length word; 6 bytes of header at least,
  // and never more than the resource holds.
  ok = ok && dataSize >= 6 && dataSize <= 0x10000 &&
       RvaToOffset(sections, dataRva, dataSize, dataOff);
  if (ok) {
    out.resize(dataSize);
    ok = f.Read(dataOff, dataSize, out.data());
    const uint16_t blockLen = ok ? Get16(out.data()) : 0;
    ok = ok && blockLen >= 6 && blockLen <= dataSize;
    if (ok) out.resize(blockLen);
  }
  close(fd);
  if (!ok) {
    out.clear();
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  }
  return ok;
}

}  // namespace

DWORD GetFileVersionInfoSizeA(LPCSTR file, LPDWORD handle) {
  if (handle) *handle = 0;
  std::vector<uint8_t> block;
  if (!ReadVersionBlock(file, block)) return 0;
  return static_cast<DWORD>(block.size());
}

BOOL GetFileVersionInfoA(LPCSTR file, DWORD handle, DWORD len, LPVOID data) {
  if (!data || len == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<uint8_t> block;
  if (!ReadVersionBlock(file, block)) return FALSE;
  const size_t n = block.size() < len ? block.size() : len;
  if (n < 6) {  // not even the block's header
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  memcpy(data, block.data(), n);
  if (n < block.size()) {
    auto* p = static_cast<uint8_t*>(data);
    p[0] = static_cast<uint8_t>(n & 0xFF);
    p[1] = static_cast<uint8_t>(n >> 8);
  }
  return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* len) {
  if (!block || !subBlock || !buffer || !len) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (strcmp(subBlock, "\\") != 0) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  // VS_VERSIONINFO: length, value length, type, the key L"VS_VERSION_INFO"
  // with its terminator, padding to 32 bits, then the fixed block.
  const auto* p = static_cast<const uint8_t*>(block);
  const uint16_t blockLen = Get16(p);
  const uint16_t valueLen = blockLen >= 4 ? Get16(p + 2) : 0;
  constexpr size_t kValueAt = 40;  // 6 header bytes + 32 key bytes, aligned
  if (valueLen < sizeof(VS_FIXEDFILEINFO) || blockLen < kValueAt + sizeof(VS_FIXEDFILEINFO) ||
      Get32(p + kValueAt) != kFixedSignature) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  *buffer = const_cast<uint8_t*>(p + kValueAt);
  *len = sizeof(VS_FIXEDFILEINFO);
  return TRUE;
}
