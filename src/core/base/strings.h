#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

// Removes trailing blanks in place and returns the text.
std::string& TrimTrailingBlanks(std::string& text);
int16_t CountChar(std::string_view text, char c);
// Index of the n-th occurrence of c, which is also the number of characters
// before it; the length of the text when it holds fewer than n.
size_t IndexOfNthChar(std::string_view text, char c, int n);

// ASCII letter-case-blind equality, as the format's names are compared.
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string ToUpperAscii(std::string_view text);
// Leading and trailing blanks removed.
std::string_view TrimBlanks(std::string_view text);

}  // namespace quillet
