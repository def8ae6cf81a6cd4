#include "core/fs/text_output.h"

#include <unistd.h>

namespace quillet {

std::filesystem::path TextWorkingFile(const std::filesystem::path& target) {
  std::filesystem::path working = target;
  working += ".~WR";
  return working;
}

LibResult OpenTextOutput(fs::AtomicFile& out, const std::filesystem::path& target) {
  std::error_code ec;
  const auto status = std::filesystem::status(target, ec);
  if (std::filesystem::exists(status)) {
    if (!std::filesystem::is_regular_file(status) || ::access(target.c_str(), W_OK) != 0) {
      return LIB_FILE_OPEN;
    }
  }
  if (target.empty() || !target.has_filename()) return LIB_FILE_OPEN;
  return out.Open(target, TextWorkingFile(target));
}

LibResult WriteTextLines(const std::filesystem::path& target, std::span<const std::string> lines,
                         fs::FileSteps& steps) {
  fs::AtomicFile out(steps);
  if (LibResult r = OpenTextOutput(out, target); r != LIB_OK) return r;
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += kTextLineEnd;
  }
  if (!out.Write(text.data(), text.size())) return LIB_FILE_WRITE;
  return out.Commit();
}

}  // namespace quillet
