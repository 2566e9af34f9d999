#include "search/search_conditions.h"

#include <gtest/gtest.h>

#include <limits>

#include "support/temp_tree.h"

namespace mardo {
namespace {

// Central European time with its daylight-saving rules, independent of the machine's zone.
class SearchDateTest : public testing::Test {
 protected:
  void SetUp() override { test::SetTimeZone("CET-1CEST,M3.5.0,M10.5.0/3"); }
};

constexpr int32_t kNov6th2000 = 973465200;  // 2000-11-06 00:00:00 CET
constexpr int64_t kNow = 1007204400;        // 2001-12-01 12:00:00 CET
constexpr int32_t kDay = 86400;

TEST_F(SearchDateTest, ReadsTwoDigitFields) {
  EXPECT_EQ(ParseSearchDate("001106", kNow).start, kNov6th2000);
  EXPECT_EQ(ParseSearchDate("001106", kNow).end, kNov6th2000 + kDay - 1);
  EXPECT_EQ(ParseSearchDate("0011", kNow).start, kNov6th2000 - 5 * kDay);    // 1 November
  EXPECT_EQ(ParseSearchDate(" 0 11 6", kNow).start, kNov6th2000);            // blanks are skipped
  EXPECT_EQ(ParseSearchDate("99", kNow).start, 915145200);                   // 1999-01-01
  EXPECT_EQ(ParseSearchDate("5", kNow).start, 1104534000);                   // 2005-01-01
  EXPECT_EQ(ParseSearchDate("no date", kNow).start, 946681200);              // 2000-01-01
  EXPECT_EQ(ParseSearchDate("0013", kNow).start, 946681200);                 // month 13 is 1
  EXPECT_EQ(ParseSearchDate("001132", kNow).start, kNov6th2000 - 5 * kDay);  // day 32 is 1
  EXPECT_EQ(ParseSearchDate("000230", kNow).start, 951865200);               // 30 February: 1 March
  EXPECT_EQ(ParseSearchDate("000230", kNow).end, 951865200 + kDay - 1);
  EXPECT_EQ(ParseSearchDate("1a06", kNow).start, 978303600);  // 2001-01-01
}

TEST_F(SearchDateTest, EmptyIsTodayAndMinusCountsDays) {
  const int32_t today = 1007161200;  // 2001-12-01 00:00 CET
  EXPECT_EQ(ParseSearchDate("", kNow).start, today);
  EXPECT_EQ(ParseSearchDate("-1", kNow).start, today - kDay);
  EXPECT_EQ(ParseSearchDate("-30", kNow).start, today - 30 * kDay);
  EXPECT_EQ(ParseSearchDate("-0", kNow).start, 946681200);  // "-0" reads as 0: the year 2000
  // Across the change to winter time, a "day ago" is still the previous calendar day.
  const int64_t afterChange = 1004266800;  // 2001-10-28 12:00 CET, the day summer time ended
  EXPECT_EQ(ParseSearchDate("-1", afterChange).start, 1004133600);  // 2001-10-27 00:00 CEST
}

TEST_F(SearchDateTest, ADaylightSavingDayIsShort) {
  const DayRange day = ParseSearchDate("210328", kNow);  // clocks go from 02:00 to 03:00
  EXPECT_EQ(day.start, 1616886000);
  EXPECT_EQ(day.end - day.start, 23 * 3600 - 1);
}

TEST_F(SearchDateTest, DaysAfter2038AndBefore1970AreTheirOwnDays) {
  EXPECT_EQ(ParseSearchDate("40", kNow).start, 2208985200);  // 2040-01-01 00:00 CET
  EXPECT_EQ(ParseSearchDate("69", kNow).end, 3124306799);    // 2069-12-31 23:59:59 CET
  EXPECT_EQ(ParseSearchDate("70", kNow).start, -3600);
  EXPECT_EQ(ParseSearchDate("-40000", kNow).start, -2448838800);  // 1892-05-26, 40000 days before
  // Day counts beyond any calendar are held at the year 1.
  EXPECT_EQ(ParseSearchDate("-99999999999999", kNow).end, -62135596800 + 86399 - 3600);
}

SearchConditions DateCondition(int32_t op) {
  SearchInputs inputs;
  inputs.dateOperator = op;
  inputs.dateText = "001106";
  return BuildSearchConditions(inputs, kNow).conditions;
}

TEST_F(SearchDateTest, EachOperatorOnBothSidesOfTheDay) {
  const int32_t start = kNov6th2000;
  const int32_t end = kNov6th2000 + kDay - 1;
  struct Case {
    int32_t op;
    bool beforeStart, atStart, atEnd, afterEnd;
  };
  for (const Case& c : {Case{1, true, false, false, false}, Case{2, true, true, true, false},
                        Case{3, false, true, true, false}, Case{4, false, true, true, true},
                        Case{5, false, false, false, true}}) {
    const SearchConditions cond = DateCondition(c.op);
    ASSERT_TRUE(cond.Has(SearchConditions::kDateCondition));
    EXPECT_EQ(cond.KeepsTime(start - 1), c.beforeStart) << c.op;
    EXPECT_EQ(cond.KeepsTime(start), c.atStart) << c.op;
    EXPECT_EQ(cond.KeepsTime(end), c.atEnd) << c.op;
    EXPECT_EQ(cond.KeepsTime(end + 1), c.afterEnd) << c.op;
  }
}

TEST(SearchConditions, FlagsFollowTheInputs) {
  SearchInputs none;
  const SearchRequest empty = BuildSearchConditions(none, kNow);
  EXPECT_FALSE(empty.ok);
  EXPECT_EQ(empty.message, "Define at least one search condition.");

  SearchInputs lengthWithoutText;
  lengthWithoutText.lengthOperator = 1;
  EXPECT_FALSE(BuildSearchConditions(lengthWithoutText, kNow).ok);

  SearchInputs length;
  length.lengthOperator = 3;
  length.lengthText = "12abc";
  const SearchConditions l = BuildSearchConditions(length, kNow).conditions;
  EXPECT_EQ(l.flags, SearchConditions::kLengthCondition);
  EXPECT_EQ(l.lengthValue, 12);
  EXPECT_TRUE(l.KeepsLength(12));
  EXPECT_FALSE(l.KeepsLength(13));
  length.lengthText = "x";
  EXPECT_EQ(BuildSearchConditions(length, kNow).conditions.lengthValue, 0);

  SearchInputs dup;
  dup.mode = 1;
  EXPECT_EQ(BuildSearchConditions(dup, kNow).conditions.flags, SearchConditions::kGroupingMode);
  dup.mode = 2;
  dup.patternText = " ";
  EXPECT_EQ(BuildSearchConditions(dup, kNow).conditions.flags, SearchConditions::kGroupingMode |
                                                                   SearchConditions::kSameNames |
                                                                   SearchConditions::kNameCondition);

  SearchInputs odd;
  odd.dateOperator = -1;  // no selection
  odd.lengthOperator = 9;
  odd.lengthText = "5";
  EXPECT_FALSE(BuildSearchConditions(odd, kNow).ok);
}

TEST(SearchConditions, LengthOperatorsCompareSigned) {
  SearchInputs inputs;
  inputs.lengthText = "0";
  inputs.lengthOperator = 1;  // "<" 0: directory entries only
  const SearchConditions below = BuildSearchConditions(inputs, kNow).conditions;
  EXPECT_TRUE(below.KeepsLength(-3));
  EXPECT_FALSE(below.KeepsLength(0));
  inputs.lengthOperator = 4;  // ">=" 0: files only
  const SearchConditions files = BuildSearchConditions(inputs, kNow).conditions;
  EXPECT_FALSE(files.KeepsLength(-1));
  EXPECT_TRUE(files.KeepsLength(0));
}

TEST(SearchConditions, HitLimitNormalisation) {
  EXPECT_EQ(NormaliseHitLimit("0", false), 2560);
  EXPECT_EQ(NormaliseHitLimit("-5", false), 2560);
  EXPECT_EQ(NormaliseHitLimit("6000", false), 2560);
  EXPECT_EQ(NormaliseHitLimit("6000", true), 6000);
  EXPECT_EQ(NormaliseHitLimit("5120", false), 5120);
  EXPECT_EQ(NormaliseHitLimit("1", false), 1);
  EXPECT_EQ(NormaliseHitLimit(" 42xyz", false), 42);
  EXPECT_EQ(NormaliseHitLimit("abc", false), 2560);
  EXPECT_EQ(NormaliseHitLimit("99999999999999", true), std::numeric_limits<int32_t>::max());
}

}  // namespace
}  // namespace mardo
