#pragma once

#include <array>
#include <cstdint>

#include "core/edit/rewrite.h"

namespace quillet::testing {

// A rewrite request as the tests write it: kind, day range, values or factors.
inline QuoteChange Change(ChangeKind kind, QuoteDay from, QuoteDay to,
                          std::array<float, 6> values = {}) {
  return {.values = values, .fromDay = from, .toDay = to, .kind = kind};
}

}  // namespace quillet::testing
