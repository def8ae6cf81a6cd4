#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/base/result.h"
#include "core/fs/file_steps.h"

namespace quillet::fs {

using std::filesystem::path;

// One change made of several swaps in one folder (a quote file and the MASTER
// whose dates follow it): each working file is written and synced first, then
// the intent to swap them all is recorded, then they are swapped. A change cut
// short between two swaps is finished by the next writer of the folder (the
// Portfolio lock does it) and reported by check, never left half-made unseen.

// A swap: the working file's name and the name it replaces, both in the folder.
using Swap = std::pair<std::string, std::string>;

// The file that records the intent.
inline constexpr const char* kSwapIntentName = "MASTER.~IN";

// Records the swaps (synced); LIB_OK, or a failure with nothing recorded.
LibResult RecordSwaps(const path& folder, const std::vector<Swap>& swaps,
                      FileSteps& steps = EveryStep());
// Forgets the swaps once each is made or put back.
void ClearSwaps(const path& folder);

// The swaps recorded in folder and not yet made (their working file is still
// there); empty when none.
std::vector<Swap> PendingSwaps(const path& folder);
// Makes each swap PendingSwaps lists, then forgets them all.
// False when one cannot be made (the record stays for the next try).
bool FinishPendingSwaps(const path& folder);

}  // namespace quillet::fs
