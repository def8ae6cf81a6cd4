#pragma once

#include <filesystem>
#include <span>
#include <string>

#include "core/base/result.h"
#include "core/fs/safe_replace.h"

namespace quillet {

// Line end of every text file the system writes (export, search results).
inline constexpr std::string_view kTextLineEnd = "\r\n";

// True for the name of a file a Portfolio is made of, whatever its letter case:
// MASTER, EMASTER, XMASTER, F<n>.DAT, F<n>.DOP, F<n>.MWD. No output is written
// over one, wherever it lies: a report saved over MASTER loses the Portfolio.
bool IsPortfolioFileName(const std::filesystem::path& file);

// True when the standard error stream is a terminal (progress lines go there only then).
bool ErrorStreamIsTerminal();

// The working file a text output is written to before it is swapped in.
std::filesystem::path TextWorkingFile(const std::filesystem::path& target);

// Opens the working file of a text output. A target that exists but may not be
// written (read-only, a folder) is refused as the plain create would refuse it:
// the swap must not replace what an open for writing could not. A Portfolio's
// file name is refused too.
LibResult OpenTextOutput(fs::AtomicFile& out, const std::filesystem::path& target);

// Every line followed by CR LF, written through the working file: LIB_OK, or
// LIB_FILE_OPEN / LIB_FILE_WRITE with the target untouched.
LibResult WriteTextLines(const std::filesystem::path& target, std::span<const std::string> lines,
                         fs::FileSteps& steps = fs::EveryStep());

}  // namespace quillet
