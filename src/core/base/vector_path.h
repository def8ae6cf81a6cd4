#pragma once

#include <span>

namespace quillet {

// How the block loops (decoding quote records, the split search's close ratios)
// run: sixteen lanes at a time with AVX-512 or eight with AVX2 on x86-64
// processors that have them, or a plain loop, one item at a time, anywhere else.
// All give the same results bit for bit; the loops take the path as a parameter
// so tests can run each one. A processor that runs a path runs those before it;
// a loop without a kernel of its own for a path takes the widest one it has.
enum class VectorPath { Scalar, Avx2, Avx512 };

// The fastest path this processor runs (asked once).
VectorPath BestVectorPath();
// Every path this processor runs, the scalar one first.
std::span<const VectorPath> UsableVectorPaths();

}  // namespace quillet
