// Every track test runs with the library initialised (the scene frame needs
// the geodetics registry).
#include <gtest/gtest.h>

#include "vmlib/frame.h"

namespace {
class LibraryEnvironment : public ::testing::Environment {
public:
  void SetUp() override { VmLibInitialize("vmlib.dll"); }
  void TearDown() override { VmLibFinalize(); }
};
const auto* const g_env = ::testing::AddGlobalTestEnvironment(new LibraryEnvironment);
}  // namespace
