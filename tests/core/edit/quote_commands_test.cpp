#include "core/edit/quote_commands.h"

#include <gtest/gtest.h>

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

TEST(QuoteCommandsTest, SplitChecksAndFactors) {
  struct Case {
    SplitTexts texts;
    bool ok;
  };
  const Case cases[] = {
      {{"01/10/00", "2", "1"}, true},
      {{"01/03/00", "1", "1"}, true},  // the oldest quote's date: nothing before it
      {{"01/31/00", "1", "10"}, true},
      {{"02/01/00", "2", "1"}, false},  // after the newest quote
      {{"01/02/00", "2", "1"}, false},  // before the oldest
      {{"1/10/00", "2", "1"}, false},   // not 8 characters
      {{"01/1 /00", "2", "1"}, false},  // an unfilled position
      {{"01/10/00", "0", "1"}, false},
      {{"01/10/00", "2", "0.0"}, false},
      {{"01/10/00", "", "1"}, false},  // unreadable counts as 0
      {{"01/10/00", "2", "."}, false},
      {{"01/10/00", "123456", "1"}, false},
  };
  for (const Case& c : cases) {
    QuoteChange change;
    const Outcome check = MakeSplitChange(c.texts, "01/03/00", "01/31/00", change);
    EXPECT_EQ(check.ok(), c.ok) << c.texts.date << " " << c.texts.newShares << "/"
                                << c.texts.oldShares;
    if (!c.ok) {
      EXPECT_EQ(check.message, kInvalid);
    }
  }

  QuoteChange change;
  ASSERT_TRUE(MakeSplitChange({"01/10/00", "3", "1"}, "01/03/00", "01/31/00", change).ok());
  const auto p = static_cast<float>(1.0 / 3.0);
  EXPECT_EQ(change.values, (std::array<float, 6>{p, p, p, p, 3.0f, 3.0f}));
  EXPECT_EQ(change.fromDay, 0);
  EXPECT_EQ(change.toDay, DayFromYmd(2000, 1, 9));  // the split day keeps its values
  EXPECT_EQ(change.kind, CHANGE_SCALE);
}

TEST(QuoteCommandsTest, AdjustChecksAndFactors) {
  struct Case {
    AdjustTexts texts;
    bool ok;
  };
  const Case cases[] = {
      {{"01/04/00", "01/20/00", "2", "0.5", "3"}, true},
      {{"01/20/00", "01/04/00", "2", "0.5", "3"}, true},   // from after to is accepted
      {{"01/04/00", "01/20/00", "2", "0.5", "-1"}, true},  // the OI box has no filter
      {{"01/04/00", "01/20/00", "2", "0.5", "x"}, false},
      {{"01/04/00", "01/20/00", "0", "0.5", "3"}, false},
      {{"01/04/00", "01/20/00", "2", "", "3"}, false},
      {{"01/02/00", "01/20/00", "2", "0.5", "3"}, false},
      {{"01/04/00", "02/01/00", "2", "0.5", "3"}, false},
      {{"01/04/00", "01/20/00", "123456789", "1", "1"}, false},
  };
  for (const Case& c : cases) {
    QuoteChange change;
    const Outcome check = MakeAdjustChange(c.texts, "01/03/00", "01/31/00", change);
    EXPECT_EQ(check.ok(), c.ok) << c.texts.from << " " << c.texts.openInterest;
    if (!c.ok) {
      EXPECT_EQ(check.message, kInvalid);
    }
  }
  QuoteChange change;
  ASSERT_TRUE(
      MakeAdjustChange({"01/20/00", "01/04/00", "2", "0.5", "3"}, "01/03/00", "01/31/00", change)
          .ok());
  EXPECT_EQ(change.values, (std::array<float, 6>{2, 2, 2, 2, 0.5f, 3}));
  EXPECT_EQ(change.fromDay, DayFromYmd(2000, 1, 20));
  EXPECT_EQ(change.toDay, DayFromYmd(2000, 1, 4));
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
