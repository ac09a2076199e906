#pragma once
// The checks made after the setup dialog's OK and before anything of a run is
// reset or written: the body sensor opens and delivers a first picture and body
// frame, and all six stimulus files load. What fails is told to the
// experimenter in one message that names it and how to fix it; the run does not
// start. A run without a sensor (--sensor=none) goes ahead only when the
// experimenter confirms it.

#include <string>

class QWidget;

// How long the sensor may take to deliver its first frames once opened.
inline constexpr int kFirstFramesTimeout_ms = 5000;

// One line per stimulus file that does not load ("  stim/bomb.wav: missing");
// empty when all six do.
std::string StimulusProblems();

enum class SensorReadiness {
  kDelivering,  // open, and a picture and a body frame arrived
  kNoSensor,    // no sensor in use (the "none" backend)
  kFailed,      // could not be opened, or delivered nothing in time
  kStopped,     // a stop signal came while waiting
};

// Opens the sensor (OpenSensor) and waits up to `timeout_ms` for its first
// picture and body frame, serving window events meanwhile. On kFailed,
// *problem says what went wrong and how to fix it. The sensor stays open in
// every case but kFailed and kStopped.
SensorReadiness OpenSensorAndAwaitFrames(int timeout_ms, std::string* problem);

// All checks; true when the run may start: the sensor is open and delivering
// (or there is none and the experimenter said Yes), and every stimulus loads.
// Otherwise the sensor is closed again and, unless a stop signal came, the
// experimenter has seen why. Boxes are owned by `owner`.
bool CheckBeforeRun(QWidget* owner);

// Tests: the wait for the first frames (kFirstFramesTimeout_ms when <= 0).
void SetFirstFramesTimeoutForTesting(int timeout_ms);
