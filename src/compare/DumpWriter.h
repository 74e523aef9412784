// Text renderings of a file for viewing in the text editor: a hex dump
// (offsets, grouped hexadecimal bytes, a character column) and a numbered
// listing (each line prefixed with its number). Both can begin with the
// file's header block (WriteFileHeaderBlock).
#pragma once

#include <cstdio>

#include "platform/win.h"

// Bytes of the input read at a time by the hex dump; a multiple of 32, so the
// line breaks do not depend on the blocks.
constexpr size_t kDumpBlock = 32768;

// Column where the character column of a dump line starts while the offsets
// have at most seven digits; with longer offsets it follows the hexadecimal
// part directly.
constexpr int kDumpCharColumn = 100;

// Writes the hex dump of `inputPath` into `outputPath`; `header` 1 puts the
// header block first. 0 written, 2 input not opened, 3 output not opened or
// not written.
int WriteHexDump(int header, LPCSTR inputPath, LPCSTR outputPath);

// Writes `inputPath` with every line prefixed "%5d : " (numbers from 1) into
// `outputPath`; `header` 1 puts the header block first. 0 written, -1 input or
// output not opened, or a write failed.
int WriteNumberedListing(int header, LPCSTR inputPath, LPCSTR outputPath);

// The dump's output file, shared by the steps below: opened with `mode` when
// none is open, otherwise the open one is handed back. Null when it cannot be
// opened.
FILE* OpenDumpOutput(LPCSTR path, LPCSTR mode = "w");
// Closes the dump's output file and forgets it; non-zero when the file could
// not be written completely.
int CloseDumpOutput();
// Writes one formatted text into the dump's output file and flushes it;
// negative when that fails.
int DumpPrintf(LPCSTR format, ...);

// Writes the dump lines of `count` bytes whose first byte lies at `offset` in
// the file. A last line shorter than 32 bytes shows the offset of its last
// byte as its second offset.
void DumpHexBlock(const BYTE* bytes, size_t count, ULONGLONG offset);

// Writes the character column of bytes[0..lastIndex] into `dest` and a
// terminating zero (only the zero for a negative lastIndex): a byte shows as
// itself when it is 0x20-0x24, 0x26-0x7F or 0xA1-0xDF, else as ".".
void DumpAsciiColumn(const BYTE* bytes, char* dest, int lastIndex);

// "** %04d Byte **" of the size, written into `out` (`outSize` bytes; 32 hold
// every size).
void FormatDumpSizeText(ULONGLONG size, char* out, size_t outSize);
