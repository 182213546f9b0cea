// Visual themes: available only when the theme library was loaded at
// initialisation, which never happens on Linux.
#include "platform/absent_libraries.h"
#include "vmlib/sysinfo.h"

VMLIB_EXPORT bool ThemesAvailable() { return vm::ThemeLibraryHandle() != nullptr; }

// Whether a theme is active is the theme library's answer; without the
// library no theme can be.
VMLIB_EXPORT bool ThemesEnabled() { return false; }
