#include "compare/DumpWriter.h"

#include <cstdarg>
#include <string>
#include <vector>

#include "compare/DiffFile.h"

namespace {

constexpr size_t kPathBuf = 1024;
constexpr size_t kListingLine = 1023;  // listing lines are read in pieces of this buffer
constexpr int kBytesPerLine = 32;
// Width of the hexadecimal part of a full line: 64 digits, a blank between
// pairs and one more between the four 8-byte quarters.
constexpr int kHexWidth = 82;
// Longest dump line: two 16-digit offsets with " - : ", the hexadecimal part,
// the character column.
constexpr size_t kDumpLine = 512;
static_assert(16 + 1 + 16 + 3 + kHexWidth + kBytesPerLine + 1 < kDumpLine);

FILE* g_dumpOut = nullptr;
bool g_dumpFailed = false;

// The runtime's ctime text of a time in local time, the day of the month
// in two digits as Windows writes it ("Wed Jan 02 03:04:05 2019\n"); only the
// newline when the time has no local form.
std::string FixedTimeText(time_t t) {
  std::string text = qv::FormatLocalTime(t, "%a %b %d %H:%M:%S %Y\n");
  return text.empty() ? std::string("\n") : text;
}

inline bool ShowsAsItself(BYTE b) { return (b >= 0x20 && b <= 0x7F && b != 0x25) || (b >= 0xA1 && b <= 0xDF); }

}  // namespace

FILE* OpenDumpOutput(LPCSTR path, LPCSTR mode) {
  if (g_dumpOut == nullptr) {
    g_dumpOut = fopen(path, mode);
    g_dumpFailed = false;
  }
  return g_dumpOut;
}

int CloseDumpOutput() {
  if (g_dumpOut == nullptr) return 0;
  int failed = ferror(g_dumpOut) != 0 || g_dumpFailed;
  if (fclose(g_dumpOut) != 0) failed = 1;
  g_dumpOut = nullptr;
  g_dumpFailed = false;
  return failed;
}

int DumpPrintf(LPCSTR format, ...) {
  if (g_dumpOut == nullptr) return -1;
  // Written straight into the file: a line holding a long path would not fit
  // a fixed buffer.
  va_list ap;
  va_start(ap, format);
  int n = vfprintf(g_dumpOut, format, ap);
  va_end(ap);
  if (n < 0 || fflush(g_dumpOut) != 0) {
    g_dumpFailed = true;
    return -1;
  }
  return n;
}

void DumpAsciiColumn(const BYTE* bytes, char* dest, int lastIndex) {
  int i = 0;
  for (; i <= lastIndex; ++i) dest[i] = ShowsAsItself(bytes[i]) ? static_cast<char>(bytes[i]) : '.';
  dest[i < 0 ? 0 : i] = '\0';
}

void DumpHexBlock(const BYTE* bytes, size_t count, ULONGLONG offset) {
  static const char kHex[] = "0123456789ABCDEF";
  char line[kDumpLine];
  for (size_t start = 0; start < count; start += kBytesPerLine) {
    size_t n = count - start < kBytesPerLine ? count - start : kBytesPerLine;
    ULONGLONG first = offset + start;
    ULONGLONG last = first + (n == kBytesPerLine ? kBytesPerLine - 1 : n - 1);
    int pos = snprintf(line, sizeof(line), "%06llX-%06llX : ", static_cast<unsigned long long>(first),
                       static_cast<unsigned long long>(last));
    // Both offsets of a line have as many digits as those of a full line, so
    // the character column of a short last line lines up with the others.
    // Offsets of eight digits and more push it past column 100 rather than
    // over the last hexadecimal digits.
    int charColumn = pos + kHexWidth > kDumpCharColumn ? pos + kHexWidth : kDumpCharColumn;
    for (size_t i = 0; i < n; ++i) {
      if (i > 0) {
        if (i % 2 == 0) line[pos++] = ' ';
        if (i % 8 == 0) line[pos++] = ' ';
      }
      line[pos++] = kHex[bytes[start + i] >> 4];
      line[pos++] = kHex[bytes[start + i] & 0x0F];
    }
    while (pos < charColumn) line[pos++] = ' ';
    DumpAsciiColumn(bytes + start, line + charColumn, static_cast<int>(n) - 1);
    DumpPrintf("%s\n", line);
  }
}

void FormatDumpSizeText(ULONGLONG size, char* out, size_t outSize) {
  snprintf(out, outSize, "** %04llu Byte **", static_cast<unsigned long long>(size));
}

int WriteHexDump(int header, LPCSTR inputPath, LPCSTR outputPath) {
  // A path that does not fit the working buffer would name another file.
  if (inputPath == nullptr || strlen(inputPath) >= kPathBuf) return 2;
  FILE* in = _fsopen(inputPath, "rb", _SH_DENYWR);
  if (in == nullptr) return 2;
  if (OpenDumpOutput(outputPath, "w") == nullptr) {
    fclose(in);
    return 3;
  }
  if (header == 1) WriteFileHeaderBlock(g_dumpOut, inputPath);

  struct _stat st;
  ULONGLONG size = 0;
  time_t mtime = 0;
  if (_stat(inputPath, &st) == 0) {
    size = static_cast<ULONGLONG>(st.st_size);
    mtime = static_cast<time_t>(st.st_mtime);
  }
  char sizeText[32];
  FormatDumpSizeText(size, sizeText, sizeof(sizeText));
  DumpPrintf("**  %s  %s  %s\n", inputPath, sizeText, FixedTimeText(mtime).c_str());

  // The file is read up to the size it had when the title was written; a
  // file that shrinks meanwhile ends the dump at its real end.
  std::vector<BYTE> block(kDumpBlock);
  ULONGLONG done = 0;
  while (done < size) {
    size_t want = size - done < kDumpBlock ? static_cast<size_t>(size - done) : kDumpBlock;
    size_t got = fread(block.data(), 1, want, in);
    if (got == 0) break;
    DumpHexBlock(block.data(), got, done);
    done += got;
    if (got < want) break;
  }
  fclose(in);
  return CloseDumpOutput() == 0 ? 0 : 3;
}

int WriteNumberedListing(int header, LPCSTR inputPath, LPCSTR outputPath) {
  FILE* in = fopen(inputPath, "r");
  if (in == nullptr) return -1;
  FILE* out = fopen(outputPath, "w");
  if (out == nullptr) {
    fclose(in);
    return -1;
  }
  if (header == 1) WriteFileHeaderBlock(out, inputPath);

  // Number and text are written separately, so neither a long piece nor a
  // number of six digits and more is cut.
  int result = 0;
  char line[kListingLine];
  long long number = 1;
  while (fgets(line, sizeof(line), in) != nullptr) {
    if (fprintf(out, "%5lld : ", number) < 0 || fputs(line, out) < 0) {
      result = -1;
      break;
    }
    ++number;
  }
  // A read error cuts the listing short; a write error may only show in the
  // stream's state or when the file is closed.
  if (ferror(in) || ferror(out)) result = -1;
  fclose(in);
  if (fclose(out) != 0) result = -1;
  return result;
}
