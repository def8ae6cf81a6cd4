#include "core/base/strings.h"

namespace quillet {
namespace {
char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

std::string& TrimTrailingBlanks(std::string& text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

int16_t CountChar(std::string_view text, char c) {
  int16_t n = 0;
  for (char ch : text) {
    if (ch == c) ++n;
  }
  return n;
}

size_t IndexOfNthChar(std::string_view text, char c, int n) {
  if (n <= 0) return 0;
  int count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == c && ++count == n) return i;
  }
  return text.size();
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::string ToUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace quillet
