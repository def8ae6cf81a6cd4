#include "core/edit/quote_commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "core/messages/edit.h"

namespace quillet {
namespace {

const std::string kInvalid = messages::kInvalidDataEntered;

TEST(QuoteCommandsTest, ReadsNumbersAsPercentFDoes) {
  struct Case {
    const char* text;
    std::optional<float> value;
  };
  const Case cases[] = {
      {"12.5", 12.5f},        {"  3", 3.0f},         {"1.2.3", 1.2f},     {"12abc", 12.0f},
      {".5", 0.5f},           {"5.", 5.0f},          {"-2", -2.0f},       {"+1", 1.0f},
      {"1e3", 1000.0f},       {"", std::nullopt},    {".", std::nullopt}, {"N/A", std::nullopt},
      {"1e50", std::nullopt}, {"--1", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadFloatText(c.text), c.value) << c.text;
}

TEST(QuoteCommandsTest, EditReadsTheHeldFieldsOnly) {
  struct Case {
    std::array<std::string, 6> values;
    std::array<bool, 6> held;
    bool ok;
  };
  const std::array<bool, 6> all = {true, true, true, true, true, true};
  const std::array<bool, 6> noOpen = {false, true, true, true, true, false};
  const Case cases[] = {
      {{"1", "2", "0.1", "4.25", "1000", "7"}, all, true},
      {{"N/A", "2", "3", "4", "5", "N/A"}, noOpen, true},  // absent fields are not read
      {{"N/A", "2", "3", "4", "5", "6"}, all, false},      // never an unset value
      {{"", "2", "3", "4", "5", "6"}, all, false},
      {{".", "2", "3", "4", "5", "6"}, all, false},
      {{"-1", "2", "3", "4", "5", "6"}, all, false},  // the boxes take digits and "." only
      {{"1e5", "2", "3", "4", "5", "6"}, all, false},
      {{"12345678901234567", "2", "3", "4", "5", "6"}, all, false},   // 17 characters
      {{std::string(39, '9'), "2", "3", "4", "5", "6"}, all, false},  // beyond single precision
  };
  for (const Case& c : cases) {
    QuoteChange change;
    const Outcome check = MakeEditChange({"01/10/00", c.values}, c.held, change);
    EXPECT_EQ(check.ok(), c.ok) << c.values[0];
    if (!c.ok) {
      EXPECT_EQ(check.message, kInvalid);
      continue;
    }
    EXPECT_EQ(change.kind, CHANGE_REPLACE);
    EXPECT_EQ(change.fromDay, DayFromYmd(2000, 1, 10));
    EXPECT_EQ(change.toDay, change.fromDay);
    for (size_t k = 0; k < 6; ++k) {
      if (c.held[k]) {
        EXPECT_EQ(change.values[k], *ReadFloatText(c.values[k]));
      }
    }
  }
  QuoteChange change;
  EXPECT_EQ(MakeEditChange({"13/45/99", {"1", "1", "1", "1", "1", "1"}}, all, change).message,
            kInvalid);
}

// Split and adjust over a series of 01/03/00 to 01/31/00: the date boxes, the
// factors (unreadable counts as 0, which is refused), and the scale asked for.
TEST(QuoteCommandsTest, SplitAndAdjustChecksAndFactors) {
  using Values = std::array<float, 6>;
  const auto split = [](SplitTexts t) {
    return [t](QuoteChange& c) { return MakeSplitChange(t, "01/03/00", "01/31/00", c); };
  };
  const auto adjust = [](AdjustTexts t) {
    return [t](QuoteChange& c) { return MakeAdjustChange(t, "01/03/00", "01/31/00", c); };
  };
  const auto third = static_cast<float>(1.0 / 3.0);  // worked out in double, stored as float
  struct Case {
    std::function<Outcome(QuoteChange&)> make;
    std::optional<Values> values;  // none: "Invalid Data Entered"
    QuoteDay from = 0, to = 0;
  };
  const QuoteDay jan9 = DayFromYmd(2000, 1, 9), jan4 = DayFromYmd(2000, 1, 4);
  const QuoteDay jan20 = DayFromYmd(2000, 1, 20);
  const Case cases[] = {
      // The split day's own quote keeps its values: the scale ends the day before.
      {split({"01/10/00", "3", "1"}), Values{third, third, third, third, 3, 3}, 0, jan9},
      {split({"01/03/00", "1", "1"}), Values{1, 1, 1, 1, 1, 1}, 0, DayFromYmd(2000, 1, 2)},
      {split({"01/31/00", "1", "10"}), Values{10, 10, 10, 10, 0.1f, 0.1f}, 0,
       DayFromYmd(2000, 1, 30)},
      {split({"02/01/00", "2", "1"}), {}},  // after the newest quote
      {split({"01/02/00", "2", "1"}), {}},  // before the oldest
      {split({"1/10/00", "2", "1"}), {}},   // not 8 characters
      {split({"01/1 /00", "2", "1"}), {}},  // an unfilled position
      {split({"01/10/00", "0", "1"}), {}},
      {split({"01/10/00", "2", "0.0"}), {}},
      {split({"01/10/00", "", "1"}), {}},
      {split({"01/10/00", "2", "."}), {}},
      {split({"01/10/00", "123456", "1"}), {}},  // longer than the box
      {adjust({"01/04/00", "01/20/00", "2", "0.5", "3"}), Values{2, 2, 2, 2, 0.5f, 3}, jan4, jan20},
      // From after to is accepted (and changes nothing); the OI box has no filter.
      {adjust({"01/20/00", "01/04/00", "2", "0.5", "-1"}), Values{2, 2, 2, 2, 0.5f, -1}, jan20,
       jan4},
      {adjust({"01/04/00", "01/20/00", "2", "0.5", "x"}), {}},
      {adjust({"01/04/00", "01/20/00", "0", "0.5", "3"}), {}},
      {adjust({"01/04/00", "01/20/00", "2", "", "3"}), {}},
      {adjust({"01/02/00", "01/20/00", "2", "0.5", "3"}), {}},
      {adjust({"01/04/00", "02/01/00", "2", "0.5", "3"}), {}},
      {adjust({"01/04/00", "01/20/00", "123456789", "1", "1"}), {}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    QuoteChange change;
    change.fromDay = 77;
    const Outcome check = c.make(change);
    EXPECT_EQ(check.ok(), c.values.has_value()) << "case " << i;
    if (!c.values) {
      EXPECT_EQ(check.message, kInvalid) << "case " << i;
      EXPECT_EQ(change.fromDay, 77) << "case " << i;  // untouched when refused
      continue;
    }
    EXPECT_EQ(change.values, *c.values) << "case " << i;
    EXPECT_EQ(change.fromDay, c.from) << "case " << i;
    EXPECT_EQ(change.toDay, c.to) << "case " << i;
    EXPECT_EQ(change.kind, CHANGE_SCALE);
  }
}

TEST(QuoteCommandsTest, DeleteAndSelection) {
  QuoteChange change;
  ASSERT_TRUE(MakeDeleteChange("01/10/00", change).ok());
  EXPECT_EQ(change.kind, CHANGE_DELETE);
  EXPECT_EQ(change.fromDay, DayFromYmd(2000, 1, 10));
  EXPECT_EQ(change.toDay, change.fromDay);
  EXPECT_EQ(MakeDeleteChange("junk", change).message, kInvalid);

  std::vector<Quote> quotes(2);
  quotes[0].date = DayFromYmd(2000, 1, 3);
  quotes[1].date = DayFromYmd(2000, 1, 10);
  size_t index = 9;
  EXPECT_TRUE(SelectQuoteByDate(quotes, "01/10/00", index).ok());
  EXPECT_EQ(index, 1u);
  // Only the grid's own text selects: 1/10/00 or 01/10/2000 are other texts.
  EXPECT_EQ(SelectQuoteByDate(quotes, "1/10/00", index).message, kInvalid);
  EXPECT_EQ(SelectQuoteByDate(quotes, "01/10/2000", index).message, kInvalid);
  EXPECT_EQ(messages::DeleteConfirmation("01/10/00"),
            "You are about to delete the data for date\n01/10/00\nAre you sure?");
}

TEST(QuoteCommandsTest, AddStepsAndRefusals) {
  // Thursday 6, Monday 10, Tuesday 11, Saturday 15, Monday 17 January 2000.
  std::vector<Quote> quotes;
  for (int d : {6, 10, 11, 15, 17}) {
    Quote q;
    q.date = DayFromYmd(2000, 1, static_cast<int16_t>(d));
    quotes.push_back(q);
  }
  struct Case {
    const char* selected;
    std::string message;  // empty: accepted
    const char* newDate;
  };
  const Case cases[] = {
      {"01/10/00", "", "01/07/00"},                            // Monday: the Friday before
      {"01/15/00", "", "01/14/00"},                            // Saturday: its own day is copied
      {"01/11/00", "Date 01/10/00 already exists.", nullptr},  // the weekday before has a quote
      {"01/06/00", messages::kAddQuoteFailed, nullptr},        // never ahead of the oldest quote
      {"01/17/00", messages::kAddQuoteFailed, nullptr},  // Saturday 15 lies between: order kept
      {"01/12/00", kInvalid, nullptr},                   // no such quote
  };
  for (const Case& c : cases) {
    AddPlan plan;
    const Outcome check = PlanAddQuote(quotes, c.selected, plan);
    EXPECT_EQ(check.message, c.message) << c.selected;
    if (!check.ok()) continue;
    EXPECT_EQ(plan.newDate, c.newDate);
    EXPECT_EQ(plan.newDay, ParseDate(c.newDate));
    EXPECT_EQ(plan.change.kind, CHANGE_INSERT);
    EXPECT_EQ(plan.change.fromDay, ParseDate(c.selected));
    EXPECT_EQ(plan.change.toDay, plan.change.fromDay);
  }
}

}  // namespace
}  // namespace quillet
