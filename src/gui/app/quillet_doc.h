#pragma once

namespace quillet {

// The framework's document: it holds nothing; every state of a run lives in the view.
class CQuilletDoc {
 public:
  bool OnNewDocument() { return true; }
};

}  // namespace quillet
