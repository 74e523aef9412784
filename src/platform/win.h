// The one header system code includes for everything of the platform layer:
// base strings and collections, OS services and the seam for people.
// Windowing classes have their own headers under platform/ui/.
#pragma once

// Standard headers first: the layer replaces a few C library names below
// (fopen, remove) with its own path-mapping versions, and the standard
// headers must already have been read when that happens.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <array>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <forward_list>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <string>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/base/codepage.h"


#if __has_include("platform/base/cstring.h")
#include "platform/base/cstring.h"
#endif
#if __has_include("platform/base/mbstring.h")
#include "platform/base/mbstring.h"
#endif
#if __has_include("platform/base/safecrt.h")
#include "platform/base/safecrt.h"
#endif
#if __has_include("platform/base/timetext.h")
#include "platform/base/timetext.h"
#endif
#if __has_include("platform/base/object.h")
#include "platform/base/object.h"
#endif
#if __has_include("platform/base/collections.h")
#include "platform/base/collections.h"
#endif
#if __has_include("platform/os/paths.h")
#include "platform/os/paths.h"
#endif
#if __has_include("platform/os/files.h")
#include "platform/os/files.h"
#endif
#if __has_include("platform/os/filefacts.h")
#include "platform/os/filefacts.h"
#endif
#if __has_include("platform/os/starts.h")
#include "platform/os/starts.h"
#endif
#if __has_include("platform/os/volume.h")
#include "platform/os/volume.h"
#endif
#if __has_include("platform/os/system.h")
#include "platform/os/system.h"
#endif
#if __has_include("platform/os/environment.h")
#include "platform/os/environment.h"
#endif
#if __has_include("platform/os/profile.h")
#include "platform/os/profile.h"
#endif
#if __has_include("platform/os/versioninfo.h")
#include "platform/os/versioninfo.h"
#endif
#if __has_include("platform/os/shelllink.h")
#include "platform/os/shelllink.h"
#endif
#if __has_include("platform/os/process.h")
#include "platform/os/process.h"
#endif
#if __has_include("platform/ui/winapp.h")
#include "platform/ui/winapp.h"
#endif
#if __has_include("platform/ui/prompt.h")
#include "platform/ui/prompt.h"
#endif
// Last: replaces fopen and remove for the code that includes this header.
#if __has_include("platform/os/crtio.h")
#include "platform/os/crtio.h"
#endif
