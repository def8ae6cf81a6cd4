#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/fs/fault.h"

namespace quillet::testing {

struct RecordedStep {
  fs::FsStep step;
  std::string file;
};

// Every file step taken while fn runs.
std::vector<RecordedStep> RecordSteps(const std::function<void()>& fn);

// While it lives, the index-th file step (counting from 0) fails; every other
// step runs as usual.
class FailNthStep {
 public:
  explicit FailNthStep(size_t index);
  FailNthStep(const FailNthStep&) = delete;
  FailNthStep& operator=(const FailNthStep&) = delete;
  ~FailNthStep();
  bool fired() const { return *fired_; }

 private:
  std::shared_ptr<bool> fired_;
};

const char* StepName(fs::FsStep step);

}  // namespace quillet::testing
