// The dialogs the per-item commands open: the question about deleting or
// reverting one of several items, the DVD comment editor and the diff
// information of one item.
#pragma once

#include "platform/win.h"

struct DiffInfoFields;

// The delete question (kind 1; target 1 NEW, 2 OLD, 3 both) or the revert
// question (kind 2) with the item's file line: ANSWER_YES, ANSWER_ALL,
// ANSWER_NO or ANSWER_CANCEL (also Esc, the close box and a question that
// could not be shown).
int AskItemQuestion(int kind, int target, const CString& fileLine);

// The DVD comment editor, showing `comment`. TRUE after OK, with the edited
// text in `comment`; FALSE (comment untouched) otherwise.
BOOL EditCommentDialog(CString& comment);

// The diff information dialog with the values given.
void ShowDiffInfoDialog(const DiffInfoFields& fields);
