// Inside the window layer: delivering files dropped from the file manager.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/wnd.h"

namespace qv::ui {
// Sends WM_DROPFILES with the dropped files to the window. Names code page
// 932 cannot hold are refused with a message and left out; nothing is sent
// when none is left.
void DeliverDroppedFiles(HWND h, const std::vector<std::string>& linuxPaths);
}  // namespace qv::ui
