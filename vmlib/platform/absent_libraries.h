// Handles of optional Windows libraries; always null on Linux.
#pragma once

namespace vm {
void* ThemeLibraryHandle();
void* ChartSdkHandle();
void* RemoteAccessHandle();
}  // namespace vm
