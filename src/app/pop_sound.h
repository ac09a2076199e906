#pragma once
// The pop sound of a run. Sound is played by a QSoundEffect on a thread of its
// own: PlayAsync only posts a request, so neither a slow nor a missing audio
// device can hold up the trial loop, and a sound that cannot play is skipped.

#include <QString>
#include <string>

#include "trial/trial_ports.h"

class QThread;
class SoundWorker;

class QtSoundPort final : public SoundPort {
 public:
  QtSoundPort();
  ~QtSoundPort() override;
  QtSoundPort(const QtSoundPort&) = delete;
  QtSoundPort& operator=(const QtSoundPort&) = delete;

  // Starts loading a file so that its first PlayAsync sounds at once.
  void Preload(const std::string& path);
  void PlayAsync(const std::string& path) override;

  // Requests posted so far (tests).
  int requests() const { return requests_; }

 private:
  QThread* thread_;
  SoundWorker* worker_;
  int requests_ = 0;
};
