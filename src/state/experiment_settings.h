#pragma once
// The persisted experiment settings: one field per key of the settings file.

#include <cstdint>
#include <string>

struct ExperimentSettings {
  std::string subject = "SBJ0000";  // subject ID; starts every result row and file name
  int32_t random_seed = 0;          // 0 seeds the generator from the clock
  int32_t janken = 0;               // 0 none, 1 normal, 2 late
  int32_t mirror = 1;               // 0 flips the picture and the joint x values
  int32_t timelimit = 60;           // run length in seconds
  int32_t flag_head = 0;
  int32_t flag_shoulder = 0;
  int32_t flag_elbow = 0;
  int32_t flag_hip = 0;
  int32_t flag_knee = 0;
  int32_t flag_foot = 0;
  int32_t flag_mouse = 0;   // the experimenter steers the balloon with the mouse
  int32_t flag_single = 0;  // only the body nearest the sensor takes part
};
