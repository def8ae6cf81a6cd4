#pragma once

#include <string>
#include <string_view>

// The texts of the symbol commands: edit, delete, move, copy.
namespace quillet::messages {

// Edit Symbol dialog.
inline constexpr const char* kEditSymbolCaption = "Edit Symbol";
inline constexpr const char* kEditSymbolTip = "Edit the symbol and name";
inline constexpr const char* kNameGroup = "Name";
inline constexpr const char* kSymbolGroup = "Symbol";
inline constexpr const char* kYouMustEnterASymbol = "You must enter a symbol";
std::string TextTooLong(std::string_view what, int limit);
// A symbol the list could not show (the MASTER would read as damaged) or that
// holds bytes no one can type.
inline constexpr const char* kSymbolCharacters =
    "The symbol cannot begin with a blank or a character outside ASCII, nor hold control "
    "characters";
// A name that would turn the security into a sub-directory entry.
inline constexpr const char* kNameLooksLikeDirectory =
    "The name cannot hold <DIR> in its last five places: that marks a sub-directory";
std::string EditSymbolFailed(std::string_view symbol, std::string_view reason);
// The reason EditSymbolFailed gives when the lookup or the delete would take
// another security for the new symbol (its symbol and name, trimmed).
std::string SymbolUsedByAnother(std::string_view otherSymbol, std::string_view otherName);

// Delete Symbol dialog.
inline constexpr const char* kDeleteSymbolCaption = "Delete Symbol";
inline constexpr const char* kSelectedSymbolToDelete = "Selected Symbol to Delete:";
inline constexpr const char* kDeleteSymbolQuestion =
    "Are you sure you want to delete the Symbol shown above? ";
std::string SymbolNotInMaster(std::string_view symbol, std::string_view masterPath);
std::string DeleteSymbolFailed(std::string_view symbol, std::string_view reason);

// Move / Copy dialog.
inline constexpr const char* kMoveSymbolCaption = "Move Symbol";
inline constexpr const char* kCopySymbolCaption = "Copy Symbol";
inline constexpr const char* kSelectDestination = "Select destination portfolio and click OK";
inline constexpr const char* kYouHaveChosenSymbol = "You have chosen Symbol:";
inline constexpr const char* kWithName = "with Name:";
inline constexpr const char* kPresentlyInPortfolio = "presently in Portfolio:";
std::string SymbolAlreadyExists(std::string_view symbol, std::string_view destination);
inline constexpr const char* kPortfolioFull =
    "The portfolio already has the\nmaximum number of symbols (255).\nChoose a different or new "
    "portfolio.";
std::string SymbolNotFound(std::string_view symbol, std::string_view directory);
std::string DestinationUnreadable(std::string_view masterPath);
std::string DestinationDamaged(std::string_view masterPath, std::string_view damage);
std::string MoveCopyFailed(bool move, std::string_view symbol, std::string_view reason);

// Reasons named in the failure texts above; osReason, when the OS gave one
// ("No space left on device"), follows the file.
std::string CannotWrite(std::string_view file, std::string_view osReason = {});
std::string CannotRead(std::string_view file, std::string_view osReason = {});
std::string CannotRemove(std::string_view file, std::string_view osReason = {});
// A MASTER full, and the security's fields cannot be told by an XMASTER bitmask.
std::string LayoutNotForXmaster();
// An undo that could not put a file back: where the data is now.
std::string UndoIncomplete(std::string_view file);

}  // namespace quillet::messages
