#include <gtest/gtest.h>

#include <vector>

#include "bmp/bmp_module.h"
#include "core/growth.h"
#include "core/init_steps.h"
#include "core/process_globals.h"
#include "exceptions/thread_names.h"
#include "vmlib/frame.h"
#include "vmlib/waypoints.h"

namespace vm {
int32_t FinalizerRegistryCount();
int32_t FinalizerRegistryCapacity();
}  // namespace vm

namespace {

std::vector<int> g_order;

TEST(Frame, SecondInitialiseCreatesNothingNew) {
  VmLibInitialize("vmlib.dll");
  const int32_t count = vm::FinalizerRegistryCount();
  const Str* prefix = GetWaypointNamePrefix();
  EXPECT_GT(count, 0);
  VmLibInitialize("vmlib.dll");
  EXPECT_EQ(vm::FinalizerRegistryCount(), count);
  EXPECT_EQ(GetWaypointNamePrefix(), prefix);
  VmLibFinalize();
  EXPECT_FALSE(vm::LibraryInitialized());
  EXPECT_EQ(GetWaypointNamePrefix(), nullptr);
}

TEST(Frame, FinalisersRunLastRegisteredFirst) {
  g_order.clear();
  VmLibInitialize("vmlib.dll");
  vm::RegisterFinalizer([] { g_order.push_back(1); });
  vm::RegisterFinalizer([] { g_order.push_back(2); });
  vm::RegisterFinalizer([] { g_order.push_back(3); });
  VmLibFinalize();
  EXPECT_EQ(g_order, (std::vector<int>{3, 2, 1}));
  // A later initialise starts again from an empty registry.
  VmLibInitialize("vmlib.dll");
  EXPECT_TRUE(vm::LibraryInitialized());
  VmLibFinalize();
  EXPECT_EQ(g_order.size(), 3u);
}

TEST(Frame, InitialiseMakesTheProcessObjects) {
  VmLibInitialize("vmlib.dll");
  const vm::ProcessGlobals& g = vm::Globals();
  EXPECT_GE(g.utcYear, 2024);
  EXPECT_EQ(g.utcCentury, g.utcYear - g.utcYear % 100);
  EXPECT_GT(g.timerPeriod, 0.0);
  EXPECT_EQ(g.fixedFormat.shortDate, "m/d/yyyy");
  EXPECT_EQ(g.fixedFormat.longDate, "mmmm d yyyy");
  EXPECT_EQ(vm::ThreadNameGet(vm::CurrentThreadId()), "main thread");
  ASSERT_NE(GetWaypointNamePrefix(), nullptr);
  EXPECT_STREQ(GetWaypointNamePrefix()->text, "wp");
  EXPECT_NE(vm::BitmapLock(), nullptr);
  VmLibFinalize();
  EXPECT_EQ(vm::BitmapLock(), nullptr);
  EXPECT_EQ(vm::ThreadNameGet(vm::CurrentThreadId()), "");
}

TEST(Frame, GammaTableEntries) {
  VmLibInitialize("vmlib.dll");
  const uint8_t* gamma = vm::BitmapGammaTable();
  const std::pair<int, int> expected[] = {{0, 0}, {1, 5}, {2, 9}, {128, 157}, {254, 254}, {255, 255}};
  for (auto [i, v] : expected) EXPECT_EQ(gamma[i], v) << "entry " << i;
  VmLibFinalize();
}

TEST(Frame, GrowthRuleFromZero) {
  std::vector<int32_t> caps;
  for (int32_t c = 0; caps.size() < 9; caps.push_back(c = vm::GrowCapacity(c))) {
  }
  EXPECT_EQ(caps, (std::vector<int32_t>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
}

TEST(Frame, ObjectAndStrDeleteIgnoreNull) {
  ObjectDelete(nullptr);
  StrDelete(nullptr);
  EXPECT_FALSE(IsDebugBuild());
}

TEST(Frame, HeapRoundTrip) {
  auto* p = static_cast<char*>(MemMgrMalloc(16));
  ASSERT_NE(p, nullptr);
  p[15] = 'x';
  p = static_cast<char*>(MemMgrRealloc(p, 4096));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p[15], 'x');
  MemMgrFree(p);
  EXPECT_EQ(MemMgrMalloc(-1), nullptr);
}

TEST(Frame, WaypointNamePrefixCopiesTheText) {
  VmLibInitialize("vmlib.dll");
  Str* pt = StrCreate("Pt", 2);
  SetWaypointNamePrefix(pt);
  StrDelete(pt);
  EXPECT_STREQ(GetWaypointNamePrefix()->text, "Pt");
  SetWaypointNamePrefix(GetWaypointNamePrefix());
  EXPECT_STREQ(GetWaypointNamePrefix()->text, "Pt");
  VmLibFinalize();
}

}  // namespace
