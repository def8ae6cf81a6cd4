#pragma once

#include <string>
#include <string_view>

// What every write command says when it refuses to start: nothing is changed.
namespace quillet::messages {

// Another writer (the window, a second command line) holds the Portfolio.
std::string PortfolioBusy(std::string_view folder);
// A file protected against writing (mode without write bits): "F1.DAT is read-only".
std::string FileReadOnly(std::string_view file);
// Something other than a regular file stands where the backup goes.
std::string BackupNotAFile(std::string_view backup);
// A repair that did not start, and why.
std::string RepairRefused(std::string_view masterPath, std::string_view why);
// A change that was cut short between two of its swaps; repair or the next
// write finishes it.
std::string UnfinishedChange(std::string_view folder, std::string_view files);
std::string ChangeFinished(std::string_view folder, std::string_view files);

}  // namespace quillet::messages
