#pragma once

#include <iostream>
#include <sstream>
#include <string>

namespace tolvane::testing {

// Collects what the code under test writes to std::wcout and std::wcerr.
class CapturedStreams {
 public:
  CapturedStreams()
      : oldOut_(std::wcout.rdbuf(out_.rdbuf())),
        oldErr_(std::wcerr.rdbuf(err_.rdbuf())) {}
  ~CapturedStreams() {
    std::wcout.rdbuf(oldOut_);
    std::wcerr.rdbuf(oldErr_);
  }
  CapturedStreams(const CapturedStreams&) = delete;
  CapturedStreams& operator=(const CapturedStreams&) = delete;

  std::wstring out() const { return out_.str(); }
  std::wstring err() const { return err_.str(); }

 private:
  std::wostringstream out_;
  std::wostringstream err_;
  std::wstreambuf* oldOut_;
  std::wstreambuf* oldErr_;
};

}  // namespace tolvane::testing
