#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

// Result of every library function: 0 is success, every failure is negative.
using LibResult = int16_t;

inline constexpr LibResult LIB_OK = 0;
inline constexpr LibResult LIB_INVALID_PARM = -1;
inline constexpr LibResult LIB_FILE_OPEN = -2;
inline constexpr LibResult LIB_MALLOC = -3;
inline constexpr LibResult LIB_FILE_READ = -4;
inline constexpr LibResult LIB_FILE_WRITE = -5;
inline constexpr LibResult LIB_FILE_SEEK = -6;
inline constexpr LibResult LIB_FILE_EXISTS = -7;
inline constexpr LibResult LIB_FILE_NOT_FOUND = -8;
inline constexpr LibResult LIB_RECORD_NOT_FOUND = -9;
inline constexpr LibResult LIB_NO_GRAPHICS = -10;
inline constexpr LibResult LIB_NO_FONTS = -11;
inline constexpr LibResult LIB_CHARTS_UNINIT = -12;
inline constexpr LibResult LIB_MAX_LINES = -13;
inline constexpr LibResult LIB_MAX_GRIDS = -14;
inline constexpr LibResult LIB_UNKNOWN_LAYOUT = -100;
// The rewrite engine's delete found no quote of its day.
inline constexpr LibResult kRewriteDeleteNotFound = -200;
// A write refused before its first change (another writer holds the Portfolio,
// a read-only file, a backup name taken); its message says why.
inline constexpr LibResult kWriteRefused = -201;

// The library's message table, indexed by the negated code; any code outside
// 0 to -14 reads as "Unknown" (entry 15).
std::string_view LibResultText(int code);

// The outcome of an operation a user asked for: its code and the message the
// user sees (empty on success, and for a failure that needs no words of its
// own). Operations that hand back more derive from it.
struct Outcome {
  LibResult code = LIB_OK;
  std::string message;
  bool ok() const { return code == LIB_OK; }
};

}  // namespace quillet
