#pragma once

#include <string>
#include <string_view>

namespace quillet::messages {

// The export dialog's texts.
inline constexpr const char* kExportCaption = "Export";
inline constexpr const char* kExportColumnsGroup = "Include these columns";
inline constexpr const char* kExportDelimitersGroup = "Column Delimiters";
inline constexpr const char* kExportOrderGroup = "Order";
inline constexpr const char* kExportTitleGroup = "Title";
inline constexpr const char* kExportComma = "Comma";
inline constexpr const char* kExportTab = "Tab";
inline constexpr const char* kExportSpace = "Space";
inline constexpr const char* kExportOpen = "Open";
inline constexpr const char* kExportHigh = "High";
inline constexpr const char* kExportLow = "Low";
inline constexpr const char* kExportClose = "Close";
inline constexpr const char* kExportVolume = "Volume";
inline constexpr const char* kExportOpenInterest = "Open Interest";
inline constexpr const char* kExportAddTitleRow = "Add title row";
inline constexpr const char* kExportOldestFirst = "Oldest quote first";
inline constexpr const char* kExportNewestFirst = "Newest quote first";
inline constexpr const char* kExportBrowse = "Browse...";
inline constexpr const char* kExportFileExtension = "txt";
inline constexpr const char* kExportFileFilter = "Text Files (*.txt)|*.txt| All Files (*.*)|*.*||";

// The output file cannot be created (or, here, cannot be written to the end).
inline constexpr const char* kFileExportError = "file export error";

// "%s\nThis file already exists\n\nReplace existing file?" (Yes/No, question icon).
std::string ReplaceExistingFile(std::string_view file);

// An output (export, search results, dump) named as one of a Portfolio's own files.
std::string PortfolioFileRefused(std::string_view file);

}  // namespace quillet::messages
