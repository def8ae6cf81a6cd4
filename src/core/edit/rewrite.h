#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/quote_date.h"
#include "core/base/result.h"
#include "core/fs/file_steps.h"

namespace quillet {

// What RewriteSeries does with the records whose day lies in the range. Any
// other value copies every record unchanged; 2 scales, like CHANGE_SCALE.
enum class ChangeKind : int16_t {
  CHANGE_REPLACE = 1,  // set each held field to its value, bit for bit
  CHANGE_SCALE = 3,    // multiply each held field by its factor
  CHANGE_DELETE = 4,   // leave out the first record in range
  CHANGE_INSERT = 5,   // write a copy dated the weekday before ahead of it
};
using enum ChangeKind;

struct QuoteChange {
  // Open, High, Low, Close, Volume, Open interest: new values or factors.
  std::array<float, 6> values{};
  QuoteDay fromDay = 0;  // inclusive, unsigned
  QuoteDay toDay = 0;    // inclusive, unsigned
  ChangeKind kind{};
};

// code: LIB_OK, a LibResult, or kRewriteDeleteNotFound. message: the engine's
// own message when it has one for the failure; the command's failure message
// follows it.
struct RewriteResult : Outcome {
  bool masterUnreadable = false;  // the lookup found no readable MASTER in libDir
  // The MASTER whose dates were changed for a delete that then failed, when
  // putting it back failed too: it is not as it was (its backup is beside it).
  std::string masterNotRestored;
  // The OS's reason when a file step failed ("No space left on device"), or empty.
  std::string osReason;
};

// True for a value an MBF number can hold exactly: 0, or a normal single below
// 2^127 (larger exponents wrap, denormals have no MBF form).
bool FitsMbf(float value);

// Applies change to F<n>.DAT of the security found by symbol (a symbol or a
// name) from libDir; masterPath is the Portfolio's MASTER. The old file goes to
// F<n>.BAK, the new one is written as F<n>.NEW and renamed over F<n>.DAT. A delete
// of the first or last quote keeps the first/last dates of the security's MASTER
// entry in step. Every record keeps its own byte layout; the header count changes
// by exactly the number of records left out or added. A scale that would make a
// number too large for an MBF number is refused (LIB_INVALID_PARM). On any
// failure the quote file and the MASTER are as they were.
RewriteResult RewriteSeries(std::string_view libDir, std::string_view masterPath,
                            const QuoteChange& change, std::string_view symbol,
                            fs::FileSteps& steps = fs::EveryStep());

}  // namespace quillet
