#include "platform/os/volume.h"

#include <blkid/blkid.h>
#include <limits.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/base/codepage.h"
#include "platform/os/files.h"
#include "platform/os/paths.h"

namespace qv {
namespace {

struct VolumeFacts {
  std::string label;  // UTF-8
  std::string uuid;
  std::string type;
  std::string version;
};

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// udev writes unsafe bytes of a label as \xHH in /dev/disk/by-label.
std::string UnescapeUdev(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x' && IsHex(s[i + 2]) && IsHex(s[i + 3])) {
      out.push_back(static_cast<char>(std::stoi(std::string(s.substr(i + 2, 2)), nullptr, 16)));
      i += 3;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

// The name of the /dev/disk/by-<kind> link that points at `device`.
std::string FindDiskLink(const char* kind, const std::string& device) {
  std::error_code ec;
  std::filesystem::path dir = std::string("/dev/disk/by-") + kind;
  std::filesystem::path target = std::filesystem::canonical(device, ec);
  if (ec) return {};
  for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
    std::error_code ec2;
    if (std::filesystem::canonical(e.path(), ec2) == target && !ec2)
      return UnescapeUdev(e.path().filename().string());
  }
  return {};
}

VolumeFacts ProbeDevice(const std::string& device) {
  VolumeFacts v;
  if (blkid_probe pr = blkid_new_probe_from_filename(device.c_str())) {
    blkid_probe_enable_superblocks(pr, 1);
    blkid_probe_set_superblocks_flags(
        pr, BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID | BLKID_SUBLKS_TYPE | BLKID_SUBLKS_VERSION);
    if (blkid_do_safeprobe(pr) == 0) {
      const char* value = nullptr;
      size_t len = 0;
      if (blkid_probe_lookup_value(pr, "LABEL", &value, &len) == 0 && value) v.label = value;
      if (blkid_probe_lookup_value(pr, "UUID", &value, &len) == 0 && value) v.uuid = value;
      if (blkid_probe_lookup_value(pr, "TYPE", &value, &len) == 0 && value) v.type = value;
      if (blkid_probe_lookup_value(pr, "VERSION", &value, &len) == 0 && value) v.version = value;
    }
    blkid_free_probe(pr);
    return v;
  }
  // No read access to the device: the names udev gave it.
  v.label = FindDiskLink("label", device);
  v.uuid = FindDiskLink("uuid", device);
  return v;
}

bool CopyOut(const std::string& text, LPSTR buffer, DWORD size) {
  if (!buffer) return true;
  if (text.size() + 1 > size) return false;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

}  // namespace

DWORD VolumeSerialFromUuid(const std::string& uuid, const std::string& fsType) {
  std::string hex;
  for (char c : uuid)
    if (IsHex(c)) hex.push_back(c);
  if (hex.empty()) return 0;
  const bool ntfs = fsType == "ntfs" || fsType == "ntfs3" || fsType == "NTFS";
  if (ntfs && hex.size() == 16)
    hex = hex.substr(8);  // the low half of the 64-bit NTFS serial
  else if (hex.size() > 8)
    hex.resize(8);
  return static_cast<DWORD>(std::strtoul(hex.c_str(), nullptr, 16));
}

std::string VolumeUuid(const std::string& device) { return ProbeDevice(device).uuid; }

std::string WindowsFileSystemName(const std::string& fsType, const std::string& version) {
  if (fsType == "vfat" || fsType == "msdos") {
    if (version == "FAT12" || version == "FAT16") return "FAT";
    return version.empty() && fsType == "msdos" ? "FAT" : "FAT32";
  }
  if (fsType == "ntfs" || fsType == "ntfs3") return "NTFS";
  if (fsType == "exfat") return "exFAT";
  if (fsType == "iso9660") return "CDFS";
  if (fsType == "udf") return "UDF";
  return fsType;
}

}  // namespace qv

BOOL GetDiskFreeSpaceExA(LPCSTR directory, PULARGE_INTEGER freeBytesAvailableToCaller,
                         PULARGE_INTEGER totalNumberOfBytes, PULARGE_INTEGER totalNumberOfFreeBytes) {
  std::string os;
  if (!directory) {
    os = ".";
  } else if (!qv::ToOsPath(directory, os)) {
    return FALSE;
  }
  struct statvfs vs;
  if (statvfs(os.c_str(), &vs) != 0) {
    SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : qv::WinErrorFromErrno(errno));
    return FALSE;
  }
  const ULONGLONG unit = vs.f_frsize ? vs.f_frsize : vs.f_bsize;
  if (freeBytesAvailableToCaller) freeBytesAvailableToCaller->QuadPart = unit * vs.f_bavail;
  if (totalNumberOfBytes) totalNumberOfBytes->QuadPart = unit * vs.f_blocks;
  if (totalNumberOfFreeBytes) totalNumberOfFreeBytes->QuadPart = unit * vs.f_bfree;
  return TRUE;
}

BOOL GetVolumeInformationA(LPCSTR rootPathName, LPSTR volumeNameBuffer, DWORD volumeNameSize,
                           LPDWORD volumeSerialNumber, LPDWORD maximumComponentLength,
                           LPDWORD fileSystemFlags, LPSTR fileSystemNameBuffer,
                           DWORD fileSystemNameSize) {
  std::string root;
  if (rootPathName) {
    root = rootPathName;
  } else {
    char cwd[PATH_MAX];
    std::string win;
    if (!getcwd(cwd, sizeof cwd) || !qv::FromOsPath(cwd, win)) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return FALSE;
    }
    root = qv::WinDriveRoot(win);
  }
  if (root.size() != 3 || !qv::IsWinDriveRoot(root)) {
    SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  std::string osRoot;
  if (!qv::DriveRoot(root[0], osRoot)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  char real[PATH_MAX];
  if (!realpath(osRoot.c_str(), real)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  const std::string path = real;

  // The mount that holds the folder: the longest mount point above it; of
  // two at one point the later one, which covers the earlier.
  qv::MountEntry mount;
  size_t best = 0;
  bool found = false;
  for (qv::MountEntry& m : qv::ReadMountTable()) {
    const std::string& mp = m.mountPoint;
    bool above = mp == "/" || path == mp ||
                 (path.size() > mp.size() && path.compare(0, mp.size(), mp) == 0 && path[mp.size()] == '/');
    if (above && (!found || mp.size() >= best)) {
      best = mp.size();
      mount = std::move(m);
      found = true;
    }
  }

  qv::VolumeFacts facts;
  if (found && mount.source.rfind("/dev/", 0) == 0) facts = qv::ProbeDevice(mount.source);
  std::string type = facts.type.empty() || mount.fsType != "fuseblk" ? mount.fsType : facts.type;
  if (type.empty()) type = facts.type;

  struct statvfs vs;
  const bool haveVfs = statvfs(path.c_str(), &vs) == 0;

  const std::string label = qv::Utf8ToCp932Lossy(facts.label);
  const std::string fsName = qv::WindowsFileSystemName(type, facts.version);
  if (!qv::CopyOut(label, volumeNameBuffer, volumeNameSize) ||
      !qv::CopyOut(fsName, fileSystemNameBuffer, fileSystemNameSize)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  if (volumeSerialNumber) *volumeSerialNumber = qv::VolumeSerialFromUuid(facts.uuid, type);
  if (maximumComponentLength) *maximumComponentLength = haveVfs ? static_cast<DWORD>(vs.f_namemax) : 255;
  if (fileSystemFlags) {
    DWORD flags = FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK;
    if (haveVfs && (vs.f_flag & ST_RDONLY)) flags |= FILE_READ_ONLY_VOLUME;
    *fileSystemFlags = flags;
  }
  return TRUE;
}
