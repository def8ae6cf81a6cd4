#include "cli/cli.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "core/base/strings.h"

namespace quillet::cli {
namespace {

int outputErrno = 0;  // the first failed write on stdout

// Length of the UTF-8 sequence at text[i], or 0 when none starts there.
size_t Utf8Sequence(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char c = byte(i);
  size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
  if (n == 0 || i + n > text.size() || (n == 2 && c < 0xC2)) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  }
  if (n == 3 && ((c == 0xE0 && byte(i + 1) < 0xA0) || (c == 0xED && byte(i + 1) >= 0xA0))) return 0;
  if (n == 4 &&
      ((c == 0xF0 && byte(i + 1) < 0x90) || c > 0xF4 || (c == 0xF4 && byte(i + 1) >= 0x90)))
    return 0;
  return n;
}

}  // namespace

void Out(std::string_view text) {
  if (text.empty()) return;
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() && outputErrno == 0) {
    outputErrno = errno != 0 ? errno : EIO;
  }
}

bool OutputFailed() {
  return outputErrno != 0;
}

int FinishOutput(int exit) {
  errno = 0;
  if (std::fflush(stdout) != 0 && outputErrno == 0) outputErrno = errno != 0 ? errno : EIO;
  if (outputErrno == 0) return exit;
  Error(std::string("quillet-cli: the output could not be written: ") + std::strerror(outputErrno));
  return kExitFailed;
}

std::string TsvField(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          static constexpr char kHex[] = "0123456789abcdef";
          out += "\\x";
          out += kHex[c >> 4];
          out += kHex[c & 0xF];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

std::string JsonText(std::string_view text, bool trim) {
  if (trim) text = TrimBlanks(text);
  std::string out;
  out.reserve(text.size());
  bool utf8 = true;
  for (size_t i = 0; i < text.size() && utf8;) {
    const size_t n = Utf8Sequence(text, i);
    utf8 = n != 0;
    i += n;
  }
  if (utf8) return std::string(text);
  for (unsigned char c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

Json IsoDate(QuoteDay day) {
  if (day == 0) return nullptr;
  const Ymd d = YmdFromDay(day);
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%04d-%02d-%02d", d.year + 1900, d.month, d.day);
  return std::string(text.data());
}

void PrintJson(const Json& value) {
  Out(value.dump(-1, ' ', true) + "\n");
}

void Table::Print(bool json) const {
  std::string out;
  if (json) {
    out += "[";
    for (size_t r = 0; r < objects_.size(); ++r) {
      out += r ? ",\n " : "\n ";
      out += objects_[r].dump(-1, ' ', true);
    }
    out += objects_.empty() ? "]\n" : "\n]\n";
  } else {
    for (const auto& row : texts_) {
      for (size_t c = 0; c < row.size(); ++c) {
        if (c) out += '\t';
        out += TsvField(row[c]);
      }
      out += '\n';
    }
  }
  Out(out);
}

void Error(std::string_view message) {
  std::fwrite(message.data(), 1, message.size(), stderr);
  if (message.empty() || message.back() != '\n') std::fputc('\n', stderr);
}

int UsageError(const Command& command, std::string_view reason) {
  Error(std::string(reason));
  std::fprintf(stderr, "usage: quillet-cli %s %s\n", command.name, command.usage);
  return kExitUsage;
}

const Command& FindCommand(std::string_view name) {
  for (const Command& c : Commands()) {
    if (name == c.name) return c;
  }
  throw std::logic_error("no such command");
}

}  // namespace quillet::cli
