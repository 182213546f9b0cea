// The waypoint store's font layer leaves fontconfig's process-wide
// configuration loaded until exit; that cache is not a leak of the archive.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
