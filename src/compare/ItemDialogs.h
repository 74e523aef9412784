// The dialogs the per-item commands open: the question about deleting or
// reverting one of several items, the DVD comment editor and the diff
// information of one item.
#pragma once

#include "platform/win.h"

struct DiffInfoFields;

// Answers of the item question (its result).
enum { ITEM_ANSWER_YES = 1, ITEM_ANSWER_ALL = 2, ITEM_ANSWER_NO = 3, ITEM_ANSWER_CANCEL = 4 };

// The delete question (kind 1; target 1 NEW, 2 OLD, 3 both) or the revert
// question (kind 2) with the item's file line. Esc and the close box give
// ITEM_ANSWER_CANCEL.
int AskItemQuestion(int kind, int target, const CString& fileLine);

// The DVD comment editor, showing `comment`. TRUE after OK, with the edited
// text in `comment`; FALSE (comment untouched) otherwise.
BOOL EditCommentDialog(CString& comment);

// The diff information dialog with the values given.
void ShowDiffInfoDialog(const DiffInfoFields& fields);
