#include "agent/core/keyed_table.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using agent::KeyedTable;

TEST(KeyedTable, ReadWithAndWithoutCreate) {
  KeyedTable<std::string> table;
  EXPECT_EQ(table.Find("TempExt"), nullptr);
  EXPECT_EQ(table.Count(), 0u);
  table.Get("TempExt") = "12.5";
  table.Get("TempExt") = "13.0";  // same key: one entry, last text
  EXPECT_EQ(table.Count(), 1u);
  ASSERT_NE(table.Find("TempExt"), nullptr);
  EXPECT_EQ(*table.Find("TempExt"), "13.0");
  EXPECT_EQ(table.Find("tempext"), nullptr);  // keys are case-sensitive
  EXPECT_EQ(table.Get("New"), "");            // created value-initialised
  EXPECT_EQ(table.Count(), 2u);
}

TEST(KeyedTable, ReferencesSurviveGrowthAndCountsAreExact) {
  KeyedTable<int> table;
  int& first = table.Get("first");
  first = 7;
  for (int i = 0; i < 5000; ++i) table.Set("k" + std::to_string(i), i);
  EXPECT_EQ(first, 7);
  EXPECT_EQ(table.Count(), 5001u);
  EXPECT_EQ(*table.Find("k4999"), 4999);
  table.Clear();
  EXPECT_EQ(table.Count(), 0u);
  EXPECT_FALSE(table.Contains("first"));
}

TEST(KeyedTable, IterationOrderDependsOnlyOnKeysAndInsertionOrder) {
  auto build = [] {
    KeyedTable<int> table;
    for (int i = 0; i < 2000; ++i) table.Set("Tag" + std::to_string(i * 7919 % 2000), i);
    return table;
  };
  KeyedTable<int> a = build();
  KeyedTable<int> b = build();
  EXPECT_EQ(a.Keys(), b.Keys());
  EXPECT_EQ(a.Keys().size(), 2000u);
  KeyedTable<int> copy = a;
  EXPECT_EQ(copy.Keys(), a.Keys());
}

TEST(KeyedTable, IterationVisitsEveryEntryOnceWithItsValue) {
  KeyedTable<int> table;
  for (int i = 0; i < 600; ++i) table.Set(std::to_string(i), i);
  int visits = 0;
  long sum = 0;
  table.ForEach([&](const std::string& key, int& value) {
    EXPECT_EQ(std::to_string(value), key);
    ++visits;
    sum += value;
  });
  EXPECT_EQ(visits, 600);
  EXPECT_EQ(sum, 599L * 600 / 2);
}

}  // namespace
