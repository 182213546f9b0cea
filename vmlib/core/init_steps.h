// The process-wide set-up of VmLibInitialize, one function per step, each owned
// by the module whose object it makes. Every step registers its module's
// finaliser with RegisterFinalizer before it creates its object, so that a
// failure half-way still lets VmLibFinalize release what was made.
#pragma once

namespace vm {

using Finalizer = void (*)();
// Appends to the finaliser registry; VmLibFinalize runs them last first.
void RegisterFinalizer(Finalizer finalizer);
// True between VmLibInitialize and VmLibFinalize.
bool LibraryInitialized();

namespace init {
void ExceptionSupport();     // 1  exceptions: process record and handler
void UtcCentury();           // 2  core: current UTC year and its century
void ThreadNames();          // 3  exceptions: thread id -> name, "main thread"
void TimerPeriod();          // 4  core: seconds per performance-counter tick
void FormatSettings();       // 5  core: the user's and the fixed formats
void BitmapModule();         // 6  bmp: lock, gamma table, pixel routines
void ScreenMetrics();        // 7  core: screen size and vertical dpi
void ThemeLibrary();         // 8  platform: no theme library on Linux
void NightScreen();          // 9  core: the night-screen colour object
void Geodetics();            // 10 geodesy: the geodetics registry
void MeasurementUnits();     // 11 core: unit tables
void WaypointNamePrefix();   // 12 waypoints: the default name prefix "wp"
void ChartSdk();             // 13 platform: no chart SDK on Linux
void LookupTables();         // 14 core: static lookup tables
void GpsClock();             // 15 nav: the GPS clock
void ObjectRegistries();     // 16 core: object registries, night colours
void RemoteAccessLibrary();  // 17 platform: no remote-access library on Linux
}  // namespace init

}  // namespace vm
