// t2_make_recorded_session STEM...: writes a short recorded camera run for
// each STEM (a result file name without ".csv"), for the cluster test.

#include <cstdio>
#include <exception>

#include "e2e/recorded_session.h"

int main(int argc, char** argv) {
  if (recorded_session::StreetClip().empty()) {
    std::fputs("t2_make_recorded_session: the street clip is missing (opencv-doc)\n", stderr);
    return 1;
  }
  try {
    for (int i = 1; i < argc; ++i) recorded_session::WriteSession(argv[i]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "t2_make_recorded_session: %s\n", e.what());
    return 1;
  }
  return 0;
}
