#include "agent/acquisition/export_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace agent {
namespace {

TEST(ExportTable, HoldsTheEightyFiveBoundExportsOnce) {
  std::set<std::string> names;
  for (const ExportRow& row : BoundExports()) names.emplace(row.decorated_name);
  EXPECT_EQ(BoundExports().size(), 85u);
  EXPECT_EQ(names.size(), 85u);
  EXPECT_EQ(BoundExportIndex("_InitStation_O@0") >= 0, true);
  EXPECT_EQ(BoundExportIndex("_InitStation_O@4"), -1);
}

TEST(ExportTable, ArgumentsMatchTheSizeInEachName) {
  for (const ExportRow& row : BoundExports()) {
    EXPECT_EQ(DecoratedArgumentBytes(row.decorated_name),
              static_cast<int>(row.arguments.size() * 4))
        << row.decorated_name;
    EXPECT_EQ(row.decorated_name.substr(0, 1), "_");
  }
  EXPECT_EQ(DecoratedArgumentBytes("_DownloadWebData_O@28"), 28);
  EXPECT_EQ(DecoratedArgumentBytes("_Broken_O@"), -1);
  EXPECT_EQ(DecoratedArgumentBytes("_Broken_O"), -1);
}

TEST(ExportTable, DispatchersFollowTheBinding) {
  auto dispatcher_of = [](std::string_view name) {
    return BoundExports()[static_cast<std::size_t>(BoundExportIndex(name))].dispatcher;
  };
  int counts[5] = {};
  for (const ExportRow& row : BoundExports()) ++counts[static_cast<int>(row.dispatcher)];
  // 38 word exports plus the by-kind one counted with the floats (41 + 1).
  EXPECT_EQ(counts[static_cast<int>(Dispatcher::kWord)], 38);
  EXPECT_EQ(counts[static_cast<int>(Dispatcher::kFloat)], 42);
  EXPECT_EQ(counts[static_cast<int>(Dispatcher::kLong)], 3);
  EXPECT_EQ(counts[static_cast<int>(Dispatcher::kByte)], 1);
  EXPECT_EQ(counts[static_cast<int>(Dispatcher::kText)], 1);
  EXPECT_EQ(dispatcher_of("_GetTimeAlarmStr_O@0"), Dispatcher::kByte);
  EXPECT_EQ(dispatcher_of("_GetStationFirmwareVersion_O@4"), Dispatcher::kText);
}

}  // namespace
}  // namespace agent
