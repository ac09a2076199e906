#include "body/sensor/sensor_problem.h"

#include <mutex>

namespace {

struct Note {
  std::mutex mutex;
  std::string text;
};

Note& TheNote() {
  static Note note;
  return note;
}

}  // namespace

void NoteSensorProblem(const std::string& text) {
  Note& note = TheNote();
  std::lock_guard<std::mutex> guard(note.mutex);
  note.text = text;
}

std::string SensorProblem() {
  Note& note = TheNote();
  std::lock_guard<std::mutex> guard(note.mutex);
  return note.text;
}

void ClearSensorProblem() {
  NoteSensorProblem(std::string());
}
