#include "app/EnvSheet.h"

BOOL ShowEnvSheet(CWnd*) { return FALSE; }
