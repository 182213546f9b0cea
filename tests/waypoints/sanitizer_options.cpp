// The font layer leaves fontconfig's process-wide configuration loaded until
// exit; that cache is not a leak of the store.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
