#pragma once

// Every section and key of the settings store, with the default a missing value
// reads as. "Edit", "Split", "Adjust", "Delete" and "Add" record the last
// successful command of each kind; they are written and never read.
namespace quillet::settings {

// The filter of the Portfolio scan and the automatic repair choice.
inline constexpr const char* kSearch = "Search";
inline constexpr const char* kLimit = "Limit";          // int 0/1, default 1
inline constexpr const char* kMasterFix = "MasterFix";  // int 0/1, default 0
inline constexpr const char* kName = "Name";  // filter path, default the working directory
inline constexpr int kLimitDefault = 1;
inline constexpr int kMasterFixDefault = 0;

// The volume scanned last (its mount path), default "" (then the volume of the
// working directory).
inline constexpr const char* kSettings = "Settings";
inline constexpr const char* kDrive = "Drive";
// The price chart under the quote grid: 1 shown, 0 hidden; default 1.
inline constexpr const char* kChart = "Chart";
inline constexpr int kChartDefault = 1;

// The frame's rectangle in screen pixels, default 0 each (then the computed placement).
inline constexpr const char* kScreen = "Screen";
inline constexpr const char* kX = "x";
inline constexpr const char* kY = "y";
inline constexpr const char* kCx = "cx";
inline constexpr const char* kCy = "cy";

// Column widths in pixels, stored on close; defaults 9/20 (symbol grid) and 9/70
// (quote grid) of the grid's client width.
inline constexpr const char* kSymbolGrid = "SymbolGrid";
inline constexpr const char* kQuoteGrid = "QuoteGrid";
inline constexpr const char* kColumnKeys[] = {"col0", "col1", "col2", "col3",
                                              "col4", "col5", "col6"};

// The export dialog's choices.
inline constexpr const char* kXportSel = "XportSel";
inline constexpr const char* kStarter = "Starter";  // default "output.txt"
inline constexpr const char* kUseColumns[] = {"UseOpen",  "UseHigh", "UseLow",
                                              "UseClose", "UseVol",  "UseOI"};  // default 1
inline constexpr const char* kNewest = "Newest";  // 0 oldest first, 1 newest first; default 0
inline constexpr const char* kDelim = "Delim";    // 0 comma, 1 tab, 2 space; default 0
inline constexpr const char* kTitle = "Title";    // default 0

// Records of the last successful command of each kind (text as entered).
inline constexpr const char* kEdit = "Edit";      // Date, Open, Hi, Lo, Close, Vol, OI
inline constexpr const char* kSplit = "Split";    // Date, New, Old
inline constexpr const char* kAdjust = "Adjust";  // Date1, Date2, PriceMult, VolMult, OIMult
inline constexpr const char* kDelete = "Delete";  // Date
inline constexpr const char* kAdd = "Add";        // Date

// The store's file in the settings folder, and the earlier installation's file
// imported once when the store's file is first made.
inline constexpr const char* kStoreFileName = "settings.ini";
inline constexpr const char* kImportFileName = "Quillet.INI";

}  // namespace quillet::settings
