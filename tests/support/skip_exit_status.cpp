// Linked into every test program (cmake/T2Testing.cmake): a program whose cases
// all passed or were skipped, at least one of them skipped, ends with status
// 77, which CTest reports as "Skipped". A case that cannot run for want of a
// tool, a display or a file is then never counted as passed.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kSkippedExitStatus = 77;  // SKIP_RETURN_CODE in cmake/T2Testing.cmake

class SkipExitStatus : public testing::EmptyTestEventListener {
  void OnTestProgramEnd(const testing::UnitTest& unit_test) override {
    // The summary and any XML report are written by now (at the iteration's end).
    if (unit_test.Passed() && unit_test.skipped_test_count() > 0) {
      std::fflush(nullptr);
      std::_Exit(kSkippedExitStatus);
    }
  }
};

const bool installed = [] {
  testing::UnitTest::GetInstance()->listeners().Append(new SkipExitStatus);
  return true;
}();

}  // namespace
