#pragma once

#include <array>

// The labels of the quote dialogs (edit, split, adjust, delete, add, series
// facts), as the window shows them; titles and messages are in edit.h.
namespace quillet::messages {

// "Edit Selected Quote": the date line and the six value boxes, Open .. Open interest.
inline constexpr const char* kEditDateLabel = "Date:";
inline constexpr std::array<const char*, 6> kEditValueLabels = {
    "Open:", "High:", "Low:", "Close:", "Volume:", "Open Interest:"};
inline constexpr const char* kEditPrevious = "Previous";
inline constexpr const char* kEditNext = "Next";
inline constexpr const char* kEditFirst = "First";
inline constexpr const char* kEditLast = "Last";

// "Split Data".
inline constexpr const char* kSplitDateGroup = "Split Date";
inline constexpr const char* kSplitRatiosGroup = "Ratios";
inline constexpr const char* kSplitNewShares = "New Shares";
inline constexpr const char* kSplitOldShares = "Old Shares";

// "Adjust Data".
inline constexpr const char* kAdjustDatesGroup = "Dates";
inline constexpr const char* kAdjustFrom = "From:";
inline constexpr const char* kAdjustTo = "To:";
inline constexpr const char* kAdjustMultipliersGroup = "Multipliers";
inline constexpr const char* kAdjustPrice = "Price";
inline constexpr const char* kAdjustVolume = "Volume";
inline constexpr const char* kAdjustOpenInterest = "Open Interest";

// "Delete Data" and "Add Data".
inline constexpr const char* kDeleteDateGroup = "Selected Date to Delete:";
inline constexpr const char* kAddNewDate = "New Date:";

// "About Selected Quote Series".
inline constexpr const char* kFactsTitle = "About Selected Quote Series";
inline constexpr const char* kFactsMasterGroup = "Data from Master and DAT files";
inline constexpr const char* kFactsDopGroup = "Data from DOP file (may be synthetic)";
inline constexpr std::array<const char*, 3> kFactsColumns = {"Field", "Input", "Display"};
// The quote fields in the order of their rows: Date, Time, Open .. OI.
inline constexpr std::array<const char*, 8> kFactsFieldCaptions = {"Date", "Time",  "Open", "High",
                                                                   "Low",  "Close", "Vol",  "OI"};
inline constexpr const char* kFactsFootnote1 =
    "* The first trading day of the new Millennium is expressed as 1000103 (Jan 3, 2000) ";
inline constexpr const char* kFactsFootnote2 =
    "Because of limitations in the MetaStock format, the year after 99 is 100 (not 2000)";

// "Export": the name of the output file's box (it has no label of its own).
inline constexpr const char* kExportPathName = "Output file";

}  // namespace quillet::messages
