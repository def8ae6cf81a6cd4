#include "core/base/result.h"

#include <array>

namespace quillet {

std::string_view LibResultText(int code) {
  static constexpr std::array<std::string_view, 16> kTexts = {"Sucessfull",
                                                              "Invalid Parm",
                                                              "File Open",
                                                              "Malloc",
                                                              "File Read",
                                                              "File Write",
                                                              "File Seek",
                                                              "File Exists",
                                                              "File Not Found",
                                                              "Record Not Found",
                                                              "No Graphics Found",
                                                              "No Fonts Found",
                                                              "Charts Uninitialized",
                                                              "Max Lines Exceeded",
                                                              "Max Grids Exceeded",
                                                              "Unknown"};
  if (code > 0 || code < -14) return kTexts[15];
  return kTexts[static_cast<size_t>(-code)];
}

}  // namespace quillet
