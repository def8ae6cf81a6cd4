#include "core/base/vector_path.h"

#include <array>

namespace quillet {

VectorPath BestVectorPath() {
#if defined(__x86_64__)
  static const VectorPath best =
      __builtin_cpu_supports("avx2") ? VectorPath::Avx2 : VectorPath::Scalar;
  return best;
#else
  return VectorPath::Scalar;
#endif
}

std::span<const VectorPath> UsableVectorPaths() {
  static constexpr std::array<VectorPath, 2> kPaths = {VectorPath::Scalar, VectorPath::Avx2};
  return std::span<const VectorPath>(kPaths).first(BestVectorPath() == VectorPath::Avx2 ? 2 : 1);
}

}  // namespace quillet
