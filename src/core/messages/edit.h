#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet::messages {

// The quote commands' texts, as the dialogs and message boxes show them.
inline constexpr const char* kInvalidDataEntered = "Invalid Data Entered";
inline constexpr const char* kSingleDateEditFailed = "Single Date Edit Failed";
inline constexpr const char* kSplitEditFailed = "Split Edit Failed";
inline constexpr const char* kAdjustEditFailed = "Adjust Edit Failed";
inline constexpr const char* kDeleteEditFailed = "Delete Edit Failed";
inline constexpr const char* kAddQuoteFailed = "Add Quote Failed";
// The rewrite engine's own message when a delete finds no quote of its day.
inline constexpr const char* kDeleteFindrecFailed = "Failure in delete quote for findrec";

// Dialog titles and fixed texts.
inline constexpr const char* kEditQuoteTitle = "Edit Selected Quote";
inline constexpr const char* kSplitTitle = "Split Data";
inline constexpr const char* kAdjustTitle = "Adjust Data";
inline constexpr const char* kDeleteTitle = "Delete Data";
inline constexpr const char* kAddTitle = "Add Data";
inline constexpr const char* kAddQuoteNote =
    "The new quote will be added using the same data as the following day. You may then edit it "
    "to suit.";

// Command prompts and tool tips.
inline constexpr const char* kEditPrompt = "Edit the selected day's data";
inline constexpr const char* kEditTip = "Edit data";
inline constexpr const char* kSplitPrompt = "Enter a split";
inline constexpr const char* kSplitTip = "Enter split";
inline constexpr const char* kAdjustPrompt = "Scale the volume or price";
inline constexpr const char* kAdjustTip = "Scale values";
inline constexpr const char* kDeletePrompt = "Delete a single quote";
inline constexpr const char* kDeleteTip = "Delete quote";
inline constexpr const char* kAddPrompt = "Add a single quote";
inline constexpr const char* kAddTip = "Add quote";

// "Date %s already exists."
std::string DateAlreadyExists(std::string_view dateText);
// The delete dialog's question: the date between "...for date\n" and "\nAre you sure?".
std::string DeleteConfirmation(std::string_view dateText);

// A value given for a field the file does not hold ("Open Interest"): it
// would be dropped without a word.
std::string FieldNotHeld(std::string_view field);

// A quote file whose header counts no quotes while whole records follow it.
std::string QuoteCountDamaged(std::string_view file, uint64_t records);

// A plain sentence for a failed rewrite (a LibResult), to follow the command's
// own message; empty when the engine's own message says it all.
// masterUnreadable: the lookup found no readable MASTER in directory;
// masterNotRestored: the MASTER the rewrite changed and could not put back;
// osReason: the OS's reason for a failed file step.
std::string DescribeRewriteFailure(int code, std::string_view directory, std::string_view symbol,
                                   bool masterUnreadable, std::string_view masterNotRestored,
                                   std::string_view osReason = {});

}  // namespace quillet::messages
