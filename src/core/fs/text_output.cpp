#include "core/fs/text_output.h"

#include <unistd.h>

#include "core/base/strings.h"

namespace quillet {

bool ErrorStreamIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

bool IsPortfolioFileName(const std::filesystem::path& file) {
  const std::string name = ToUpperAscii(file.filename().string());
  if (name == "MASTER" || name == "EMASTER" || name == "XMASTER") return true;
  if (name.size() < 6 || name[0] != 'F') return false;
  const std::string_view ext = std::string_view(name).substr(name.size() - 4);
  if (ext != ".DAT" && ext != ".DOP" && ext != ".MWD") return false;
  for (size_t i = 1; i < name.size() - 4; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

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
  if (target.empty() || !target.has_filename() || IsPortfolioFileName(target)) {
    return LIB_FILE_OPEN;
  }
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
