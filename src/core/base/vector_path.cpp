#include "core/base/vector_path.h"

#include <array>

namespace quillet {

VectorPath BestVectorPath() {
#if defined(__x86_64__)
  // AVX-512 as the x86-64-v4 level has it (foundation, byte and word, double and
  // quad word, vector length extensions).
  static const VectorPath best =
      __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
              __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl")
          ? VectorPath::Avx512
      : __builtin_cpu_supports("avx2") ? VectorPath::Avx2
                                       : VectorPath::Scalar;
  return best;
#else
  return VectorPath::Scalar;
#endif
}

std::span<const VectorPath> UsableVectorPaths() {
  static constexpr std::array kPaths = {VectorPath::Scalar, VectorPath::Avx2, VectorPath::Avx512};
  return std::span<const VectorPath>(kPaths).first(static_cast<size_t>(BestVectorPath()) + 1);
}

}  // namespace quillet
