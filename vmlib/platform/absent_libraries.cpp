// Windows libraries the library loads when present: the theme library, the
// raster-chart SDK and the remote-access library for handheld devices. None
// exists on Linux, so their handles stay null and their features report
// themselves unavailable.
#include "platform/absent_libraries.h"
#include "core/init_steps.h"

namespace vm {
namespace {
void* g_themeLibrary = nullptr;
void* g_chartSdk = nullptr;
void* g_remoteAccess = nullptr;
}  // namespace

void* ThemeLibraryHandle() { return g_themeLibrary; }
void* ChartSdkHandle() { return g_chartSdk; }
void* RemoteAccessHandle() { return g_remoteAccess; }

void init::ThemeLibrary() {
  RegisterFinalizer([] { g_themeLibrary = nullptr; });
}
void init::ChartSdk() {
  RegisterFinalizer([] { g_chartSdk = nullptr; });
}
void init::RemoteAccessLibrary() {
  RegisterFinalizer([] { g_remoteAccess = nullptr; });
}

}  // namespace vm
