// Per-item commands of the file list that change something: delete the NEW
// copy, the OLD copy or both, put the OLD copy back over the NEW copy,
// copy the copies out into the extraction folders, and edit the DVD
// comment. They act on every name of the selection
// (CZEKSettings::m_listSelectedNames); with one name the single-item variants
// ask with a message box, with several a question dialog asks per item.
//
// The file commands change files only, never the records or the list. In
// list mode the NEW folder stands for no copy at all: nothing under it is
// removed, written or read. Removals and copies that fail are told in one
// message at the end.
#pragma once

#include "platform/win.h"

void DeleteBothSelected(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                        const CString& diffDir);
void DeleteNewSelected(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                       const CString& diffDir);
void DeleteOldSelected(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                       const CString& diffDir);

// One item: `name`.
void DeleteBothFile(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                    const CString& diffDir);
void DeleteNewFile(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                   const CString& diffDir);
void DeleteOldFile(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                   const CString& diffDir);

// Copies the OLD copy over the NEW copy of each selected item.
void RevertToOld(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                 const CString& diffDir);

// Copies the selected items' NEW and OLD copies into `outNew` and `outOld`
// (the extraction folders), asking before an existing file is overwritten.
void CopyOutSelected(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                     const CString& diffDir, const CString& outNew, const CString& outOld);

// The comment editor on the comment of `name`'s record; after OK the text
// becomes the comment of every selected name's record and the current
// document is marked modified. `text` receives the text the list shows:
// the edited one after OK, the unchanged one otherwise. TRUE after OK.
BOOL EditCommentSelected(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                         const CString& diffDir, int diffOption, CString& text);

