#include "records/DateText.h"

void FormatTimeText(LONG time, char* out) {
  if (out == nullptr) return;
  const CTime when(static_cast<time_t>(time == -1 ? 0 : time));
  const CString text = when.Format("%Y/%m/%d (%a)  %H:%M:%S");
  strncpy_s(out, 64, text, _TRUNCATE);
}
