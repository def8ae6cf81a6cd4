#pragma once

#include <string>
#include <string_view>

namespace quillet::messages {

// The split-search window's texts.
inline constexpr const char* kSplitSearchCaption = "Split Search";
inline constexpr const char* kSplitSearchWarning =
    "Search results should be confirmed before editing data.";
inline constexpr const char* kSplitSearchResultsGroup = "Search Results";
inline constexpr const char* kSplitSearchButton = "Search";
inline constexpr const char* kSplitSearchSaveAs = "Save As...";
inline constexpr const char* kSplitSearchClose = "Close";
// The Search button while a search runs: it stops the search.
inline constexpr const char* kSplitSearchStop = "Stop";
inline constexpr const char* kSplitSearchResultExtension = "txt";
inline constexpr const char* kSplitSearchResultFileName = "result";
inline constexpr const char* kSplitSearchResultFilter =
    "Text Files (*.txt)|*.txt| All Files (*.*)|*.*||";

// One result line: "%s possible %d for %d split on %s".
inline constexpr const char* kPossibleSplit = "%s possible %d for %d split on %s";

inline constexpr const char* kErrorInSplitSearchBarsRead = "Error in SplitSearch bars read";
inline constexpr const char* kDoneSearch = "Done search";
inline constexpr const char* kNoCandidateSplits = "No candidate splits found";
inline constexpr const char* kTooManyBars = "Too many bars";

// "For symbol %s\n" + "SplitSearch cannot perform search\n" + "as there are fewer than 2 quotes."
std::string FewerThanTwoQuotes(std::string_view symbol);

// The results file could not be created or written; nothing was saved under that name.
std::string CannotSaveSearchResults(std::string_view file);

}  // namespace quillet::messages
