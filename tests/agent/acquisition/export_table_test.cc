#include "agent/acquisition/export_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace agent {
namespace {

TEST(ExportTable, HoldsTheEightyEightBoundExportsOnce) {
  std::set<std::string> names;
  for (const ExportRow& row : BoundExports()) names.emplace(row.decorated_name);
  EXPECT_EQ(BoundExports().size(), 88u);
  EXPECT_EQ(names.size(), 88u);
  // Each identifier names its own row, first and last included.
  EXPECT_EQ(BoundExport(Export::kCloseCommPort).decorated_name, "_CloseCommPort_O@0");
  EXPECT_EQ(BoundExport(Export::kGetStationTime).decorated_name, "_GetStationTime_O@4");
  EXPECT_EQ(BoundExport(Export::kOpenUSBPort).decorated_name, "_OpenUSBPort_O@4");
  EXPECT_EQ(RowOf(Export::kOpenUSBPort), BoundExports().size() - 1);
}

TEST(ExportTable, ArgumentsMatchTheSizeInEachName) {
  for (const ExportRow& row : BoundExports()) {
    const std::string bytes = "@" + std::to_string(row.arguments.size() * 4);
    EXPECT_TRUE(row.decorated_name.ends_with(bytes)) << row.decorated_name;
    EXPECT_EQ(row.decorated_name.substr(0, 1), "_");
  }
}

TEST(ExportTable, DispatchersFollowTheBinding) {
  auto dispatcher_of = [](Export bound) { return BoundExport(bound).dispatcher; };
  int counts[5] = {};
  for (const ExportRow& row : BoundExports()) ++counts[static_cast<int>(row.dispatcher)];
  // 38 word exports plus the by-kind one counted with the floats (41 + 1).
  EXPECT_EQ(counts[static_cast<int>(Dispatcher::kWord)], 39);
  EXPECT_EQ(counts[static_cast<int>(Dispatcher::kFloat)], 42);
  EXPECT_EQ(counts[static_cast<int>(Dispatcher::kLong)], 5);
  EXPECT_EQ(counts[static_cast<int>(Dispatcher::kByte)], 1);
  EXPECT_EQ(counts[static_cast<int>(Dispatcher::kText)], 1);
  EXPECT_EQ(dispatcher_of(Export::kGetTimeAlarmStr), Dispatcher::kByte);
  EXPECT_EQ(dispatcher_of(Export::kGetStationFirmwareVersion), Dispatcher::kText);
}

}  // namespace
}  // namespace agent
