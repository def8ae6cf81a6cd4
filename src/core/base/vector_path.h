#pragma once

#include <span>

namespace quillet {

// How the block loops (decoding quote records, the split search's close ratios)
// run: eight lanes at a time with AVX2 on x86-64 processors that have it, or a
// plain loop, one item at a time, anywhere else. Both give the same results bit
// for bit; the loops take the path as a parameter so tests can run each one.
enum class VectorPath { Scalar, Avx2 };

// The fastest path this processor runs (asked once).
VectorPath BestVectorPath();
// Every path this processor runs, the scalar one first.
std::span<const VectorPath> UsableVectorPaths();

}  // namespace quillet
