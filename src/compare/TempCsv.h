// The CSV export of the shown list: the temporary file
// "Z_E_K_wc_temp.csv" in the TEMP folder (overwritten by every export), the
// data rows of both modes, and opening the file in the CSV viewer.
//
// Fields are written so that any CSV reader gets them back whole: the
// comment always in double quotes, every other text field in double quotes
// when it holds a comma, a double quote, CR or LF; inner double quotes are
// doubled. Lines end with CR LF; the bytes of a field are written unchanged
// (code page 932, line breaks inside a comment included). Rows are written
// whole, whatever their length.
#pragma once

#include "platform/win.h"

extern const char kTempCsvName[];

// "%s\Z_E_K_wc_temp.csv" of the TEMP folder into `path` (`size` bytes). 1
// done; 0 when it does not fit (`path` is then empty).
int GetTempCsvPath(char* path, size_t size);

// Creates the temporary file (in the user's private temporary folder, never
// through a link: see the layer's CreateOsFile). 0 after the message when it
// cannot be made, also when there is no TEMP folder.
int OpenTempCsv();

// Writes a line built with "\n" line ends; each "\n" reaches the file as CR
// LF. Nothing happens while no file is open.
void WriteTempCsvLine(const char* line);

// Closes the file. 1 when every line reached the file, 0 when a write or the
// close failed (the file is then incomplete).
int CloseTempCsv();

// One row per record of `records` (CZEKMergeFileInfo) that the display
// filter lets through, numbered from 1 in list order. Compare mode (0):
// number, name part, OLD and NEW line counts, OLD date, OLD size, NEW date,
// NEW size, folder part, comment; list mode (1): number, folder part, name
// part, OLD date, comment. Refreshes each record's diff counts as the list
// rows do. A record whose comment index lies outside the comment table is
// written with an empty comment.
void WriteCsvRows(int mode, const CObList* records, const char* diffFolder);

// Appends `text` as one CSV field: quoted when `alwaysQuote` or when it
// holds a comma, a double quote, CR or LF; inner quotes doubled.
void AppendCsvField(CString& row, const CString& text, bool alwaysQuote = false);

// Opens the file in the configured CSV viewer (each path in double quotes)
// when there is one, else with the program the desktop associates with it.
// The result of the start; 0 after one message naming the file (and the
// viewer) when nothing could be started.
int OpenWithCsvViewer(const char* path);
