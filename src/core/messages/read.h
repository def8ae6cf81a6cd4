#pragma once

#include <string>
#include <string_view>

#include "core/base/result.h"

namespace quillet::messages {

// The texts a front end shows when a series cannot be read; the quote grid's
// own message comes first, then what went wrong in plain words.
inline constexpr const char* kErrorInFillQuotesGrid = "Error in FillQuotesGrid";

// A plain sentence for a reader failure: "Symbol IBM was not found in /data/".
// masterUnreadable: the lookup found no readable MASTER in directory.
std::string DescribeReadFailure(LibResult code, std::string_view directory, std::string_view query,
                                bool masterUnreadable);

}  // namespace quillet::messages
