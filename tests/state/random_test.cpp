// The program's linear congruential generator. The expected values were worked
// out by hand from state * 214013 + 2531011 (mod 2^32), (state >> 16) & 0x7FFF;
// seed 1 gives the well-known sequence of the Microsoft C library's rand().

#include <gtest/gtest.h>

#include <vector>

#include "state/random.h"

namespace {

TEST(Random, SequencesFollowTheFormula) {
  struct Case {
    uint32_t seed;
    std::vector<int32_t> draws;
  };
  const Case cases[] = {
      {7, {61, 17422, 15215, 7040, 15521, 6516, 30152, 11794}},
      {4294967295u, {35, 29739, 3374, 11141, 31308, 7870, 5253, 2445}},
      {1, {41, 18467, 6334, 26500, 19169}},
      {0, {38, 7719, 21238}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seed);
    SeedRandom(c.seed);
    std::vector<int32_t> draws;
    for (size_t i = 0; i < c.draws.size(); ++i) draws.push_back(NextRandom());
    EXPECT_EQ(draws, c.draws);
  }
}

}  // namespace
