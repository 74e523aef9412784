// The date text the records store and every list shows: the run writes it
// into the records and the document header, the windows show it as it is.
#pragma once

#include "platform/win.h"

// Writes "%Y/%m/%d (%a)  %H:%M:%S" of `time` (seconds since 1970, local
// time) into `out`; -1 is shown as time 0. `out` holds 64 bytes.
void FormatTimeText(LONG time, char* out);
