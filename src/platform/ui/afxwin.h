// The one header the program's window code includes: everything of the
// window layer besides the platform's base (platform/win.h).
#pragma once

#include "platform/win.h"
#include "platform/ui/cmdtarget.h"
#include "platform/ui/controls.h"
#include "platform/ui/ddeml.h"
#include "platform/ui/dialog.h"
#include "platform/ui/doctemplate.h"
#include "platform/ui/document.h"
#include "platform/ui/frame.h"
#include "platform/ui/gdi.h"
#include "platform/ui/listbox.h"
#include "platform/ui/listctrl.h"
#include "platform/ui/menu.h"
#include "platform/ui/resources.h"
#include "platform/ui/shell.h"
#include "platform/ui/treectrl.h"
#include "platform/ui/winapp.h"
#include "platform/ui/wnd.h"
