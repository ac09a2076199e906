#pragma once
// What keeps the current sensor from delivering, in words for the
// experimenter. A backend notes it instead of showing a box of its own (it may
// do so from a producer thread); the checks before a run and the watch during
// a run read it and tell the experimenter in one message. OpenSensor clears it.

#include <string>

// Replaces the note.
void NoteSensorProblem(const std::string& text);
// The note; empty when nothing was noted since the last clear.
std::string SensorProblem();
void ClearSensorProblem();
