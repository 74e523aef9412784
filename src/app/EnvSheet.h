// The settings sheet "システム環境設定" and its pages.
#pragma once

#include "platform/ui/afxwin.h"

// Runs the settings sheet modally; TRUE when it ended with OK.
BOOL ShowEnvSheet(CWnd* pParent);
