// The bundled sample database: built from its description, it is a complete
// old database with icons beside it.
#include <gtest/gtest.h>

#include "ico_decoder.h"
#include "icon_path.h"
#include "source_schema.h"

namespace {

namespace fs = std::filesystem;

TEST(Sample, TheBuiltSampleIsACompleteOldDatabase) {
  const fs::path folder = VM_SAMPLE_DIR;
  conv::SourceDatabase db;
  ASSERT_TRUE(db.Open(folder / "gps.mdb")) << db.failureDetail();
  EXPECT_TRUE(conv::CheckSourceSchema(db, true).empty());
  EXPECT_TRUE(conv::CheckSourceValues(db, true).empty());
  EXPECT_GE(db.FindTable("Waypoints")->rowCount(), 50u);
  EXPECT_EQ(db.FindTable("Tracks")->rowCount(), 4u);
  EXPECT_EQ(db.FindTable("System")->ReadInteger(0, "GPS datum"), 1);

  // Every type's icon either decodes or resolves nowhere, as the type step expects.
  const conv::SourceTable* types = db.FindTable("Waypoint types");
  int decoded = 0, missing = 0;
  for (size_t row = 0; row < types->rowCount(); ++row) {
    if (types->IsNull(row, "Icon")) continue;
    const auto path = conv::ResolveIconPath(types->ReadTextUtf8(row, "Icon"), folder);
    if (!path) {
      ++missing;
      continue;
    }
    conv::IconImage icon;
    std::string error;
    EXPECT_TRUE(conv::LoadIcoFile(*path, icon, &error)) << *path << ": " << error;
    EXPECT_EQ(icon.width, 32u);
    ++decoded;
  }
  EXPECT_EQ(decoded, 3);
  EXPECT_EQ(missing, 1);
}

}  // namespace
