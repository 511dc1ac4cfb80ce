// Tag references and request blocks: the documented cases, then a
// differential test of the fast substitution against the plain reference.

#include "agent/publication/tag_substitution.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "tests/support/dense_templates.h"
#include "tests/support/reference_substitution.h"

namespace {

using agent::publication::SubstituteTags;
using agent::publication::TagEntry;
using agent::publication::TagSubstitution;
using publication_test::ReferenceSubstituteTags;

std::string Fill(const std::vector<TagEntry>& tags, const std::string& line,
                 const std::string& separator = ";") {
  TagSubstitution substitution(tags, separator);
  return SubstituteTags(line, substitution);
}

TEST(TagSubstitution, ReplacesExactCaseSensitiveReferences) {
  const std::vector<TagEntry> tags{{"TempExt", "12.5"}, {"HumExt", "80"}};
  EXPECT_EQ(Fill(tags, "Temp: #TempExt# C"), "Temp: 12.5 C");
  EXPECT_EQ(Fill(tags, "Temp: #tempext# C"), "Temp: #tempext# C");
  EXPECT_EQ(Fill(tags, "#Absent# and #TempExt##HumExt#"), "#Absent# and 12.580");
  EXPECT_EQ(Fill(tags, "50# of #TempExt"), "50# of #TempExt");
  EXPECT_EQ(Fill(tags, ""), "");
}

TEST(TagSubstitution, RequestBlocksJoinMatchingValuesWithTrailingSeparator) {
  const std::vector<TagEntry> tags{{"ExtraTemp_1", "10"}, {"TempExt", "3"}, {"ExtraTemp_2", "11"}};
  EXPECT_EQ(Fill(tags, "#RQT#ExtraTemp_#"), "10;11;");
  EXPECT_EQ(Fill(tags, "[#RQT#Nothing#]"), "[---]");
  EXPECT_EQ(Fill(tags, "[#RQT##]"), "[---]");
  EXPECT_EQ(Fill(tags, "#RQT#ExtraTemp_"), "#RQT#ExtraTemp_");
  // The criterion is matched against names, never values.
  EXPECT_EQ(Fill(tags, "#RQT#10#"), "---");
}

TEST(TagSubstitution, LogsEachResolvedRequestBlock) {
  std::vector<std::string> seen;
  TagSubstitution substitution(
      {{"A_1", "x"}, {"B", "y"}}, ",",
      [&seen](std::string_view criterion) { seen.emplace_back(criterion); });
  // One request block resolves per catalogue entry: two entries, two blocks.
  EXPECT_EQ(SubstituteTags("#RQT#A_# #RQT#B# #RQT#C#", substitution), "x, y, #RQT#C#");
  EXPECT_EQ(seen, (std::vector<std::string>{"A_", "B"}));
}

// A separator holding a request block doubles the line at every catalogue
// step; the line stops at the limit, as it stood before the refused step.
TEST(TagSubstitution, ARequestInTheSeparatorStopsAtTheLineLimit) {
  std::vector<TagEntry> tags{{"A_1", "v"}, {"A_2", "v"}};
  for (int i = 0; i < 30; ++i) tags.push_back({"T" + std::to_string(i), "t"});
  std::vector<std::size_t> cuts;
  TagSubstitution substitution(
      tags, "#RQT#A_#", {}, [&cuts](std::size_t limit) { cuts.push_back(limit); }, 4096);
  const std::string out = SubstituteTags("#RQT#A_#", substitution);
  // The line doubles at each step: 18, 38, 78 ... 2558 bytes, then 5118 is refused.
  EXPECT_EQ(out.size(), 2558u);
  EXPECT_EQ(cuts, std::vector<std::size_t>{4096});
  // The same substitution goes on with the next line, unaffected.
  EXPECT_EQ(SubstituteTags("#A_1#", substitution), "v");
}

// Only growth is bounded: a line already past the limit is still filled
// where a replacement keeps or shrinks it.
TEST(TagSubstitution, ALongLineThatDoesNotGrowIsFilled) {
  TagSubstitution substitution({{"Temp", "1"}}, "", {}, {}, 64);
  const std::string line = std::string(100, '.') + "#Temp#";
  EXPECT_EQ(SubstituteTags(line, substitution), std::string(100, '.') + "1");
}

// The room a line is written in is made for the line as it stands: values
// far longer than the line make more as they come.
TEST(TagSubstitution, ValuesFarLongerThanTheirLineAreWrittenWhole) {
  const std::string big(1000, 'v');
  TagSubstitution substitution({{"A", big}, {"B", "b"}}, "");
  EXPECT_EQ(SubstituteTags("#A# #B# #A#", substitution), big + " b " + big);
  std::string filled;
  substitution.SubstituteLines("#A#\n#B#\r\n#A##A#", filled);
  EXPECT_EQ(filled, big + "\r\nb\r\n" + big + big + "\r\n");
}

TEST(TagSubstitution, ReplaceAllWithinRefusesGrowthPastTheLimit) {
  std::string text = "a-a-a";
  EXPECT_FALSE(agent::publication::ReplaceAllWithin(text, "a", "xyz", 10));
  EXPECT_EQ(text, "a-a-a");
  EXPECT_TRUE(agent::publication::ReplaceAllWithin(text, "a", "xyz", 11));
  EXPECT_EQ(text, "xyz-xyz-xyz");
  EXPECT_TRUE(agent::publication::ReplaceAllWithin(text, "q", "long replacement", 1));
}

TEST(TagSubstitution, ValuesAreSubstitutedAgainByLaterSteps) {
  // B comes after A in table order, so the reference inserted by A is replaced.
  EXPECT_EQ(Fill({{"A", "<#B#>"}, {"B", "b"}}, "#A#"), "<b>");
  // ...but not when it comes before.
  EXPECT_EQ(Fill({{"B", "b"}, {"A", "<#B#>"}}, "#A#"), "<#B#>");
  // Overlapping references: the first step consumes the shared "#".
  EXPECT_EQ(Fill({{"A", "1"}, {"B", "2"}}, "#A#B#"), "1B#");
  EXPECT_EQ(Fill({{"B", "2"}, {"A", "1"}}, "#A#B#"), "#A2");
  // A replacement joins the texts around it into a name of a later step.
  EXPECT_EQ(Fill({{"X", "."}, {"A.B", "j"}}, "(#A#X#B#) #X#"), "(j) .");
  EXPECT_EQ(Fill({{"A.B", "j"}, {"X", "."}}, "(#A#X#B#) #X#"), "(#A.B#) .");
  // After an empty text between two "#", the joined name starts with the value.
  EXPECT_EQ(Fill({{"X", "A"}, {"AB", "j"}}, "(##X#B#) #X#"), "(j) A");
}

TEST(TagSubstitution, UnclosedRequestBlockBlocksLaterBlocksButNotTags) {
  const std::vector<TagEntry> tags{{"T", "v"}, {"X_1", "1"}};
  EXPECT_EQ(Fill(tags, "#T# #RQT#X_"), "v #RQT#X_");
  // With a value holding "#RQT#", later steps resolve it too.
  EXPECT_EQ(Fill({{"A", "#RQT#X_#"}, {"X_1", "1"}}, "#A#"), "1;");
}

// --- differential test ---

std::string Pick(std::mt19937& random, const std::vector<std::string>& choices) {
  return choices[std::uniform_int_distribution<std::size_t>(0, choices.size() - 1)(random)];
}

TEST(TagSubstitution, MatchesReferenceOnGeneratedTemplates) {
  std::mt19937 random(20261208);
  const std::vector<std::string> names{"A", "B", "AB", "A_1", "A_2", "RQT", "", "T#U", "Tag", "X"};
  const std::vector<std::string> values{"v",        "",       "#",  "#A#", "#B#",
                                        "#RQT#A_#", "#RQT#A", "##", "A#B", "x y"};
  const std::vector<std::string> pieces{
      "#", "#RQT#", "A",   "B",   "AB",       "A_", "RQT",   "T",     "U",   "Tag",   " ",
      "x", "##",    "#A#", "#B#", "#RQT#A_#", "_",  "#T#U#", "#Tag#", "#X#", "#A#B#", "#RQT##"};
  for (int round = 0; round < 20000; ++round) {
    std::vector<std::string> pool = names;
    std::shuffle(pool.begin(), pool.end(), random);
    const std::size_t tag_count =
        std::uniform_int_distribution<std::size_t>(0, pool.size())(random);
    std::vector<TagEntry> tags;
    for (std::size_t i = 0; i < tag_count; ++i) tags.push_back({pool[i], Pick(random, values)});

    std::string line;
    const int length = std::uniform_int_distribution<int>(0, 12)(random);
    for (int i = 0; i < length; ++i) line += Pick(random, pieces);
    const std::string separator = Pick(random, {";", "", "#", "|#A#|"});

    std::vector<std::string> expected_criteria, actual_criteria;
    const std::string expected = ReferenceSubstituteTags(line, tags, separator, &expected_criteria);
    TagSubstitution substitution(tags, separator, [&](std::string_view criterion) {
      actual_criteria.emplace_back(criterion);
    });
    ASSERT_EQ(SubstituteTags(line, substitution), expected)
        << "line: " << line << " round " << round;
    ASSERT_EQ(actual_criteria, expected_criteria) << "line: " << line;
  }
  // Lines of the dense shapes: a table of references and a reference every
  // 10 bytes, with overlapping names and request blocks, over 700 tags.
  const std::vector<TagEntry> dense_tags = publication_test::DenseCatalogue();
  const std::string dense = publication_test::DenseTableTemplate(300) +
                            publication_test::DenserTemplate(30000) + "#RQT#ExtraTemp_#";
  std::vector<std::string> expected_criteria, actual_criteria;
  TagSubstitution substitution(dense_tags, ";", [&](std::string_view criterion) {
    actual_criteria.emplace_back(criterion);
  });
  for (std::size_t start = 0, end; start < dense.size(); start = end + 1) {
    end = std::min(dense.find('\n', start), dense.size());
    const std::string line = dense.substr(start, end - start);
    ASSERT_EQ(SubstituteTags(line, substitution),
              ReferenceSubstituteTags(line, dense_tags, ";", &expected_criteria))
        << "line: " << line;
  }
  EXPECT_EQ(actual_criteria, expected_criteria);
  // Whole, the text gives the same lines, each ended with CR LF, the empty ones dropped.
  std::string lines;
  for (std::size_t start = 0, end; start < dense.size(); start = end + 1) {
    end = std::min(dense.find('\n', start), dense.size());
    if (end > start)
      lines += ReferenceSubstituteTags(dense.substr(start, end - start), dense_tags, ";") + "\r\n";
  }
  std::string filled(dense.size() * 2, 'x');  // a longer text of before, written over
  substitution.SubstituteLines(dense, filled);
  EXPECT_TRUE(filled == lines);
}

}  // namespace
