#include "stimulus_set.h"

#include <system_error>

#include "balloon_art.h"
#include "burst_art.h"
#include "pop_sound.h"
#include "wav_file.h"

namespace stimuli {

std::vector<StimulusImage> PaintStimulusImages() {
  std::vector<StimulusImage> images;
  for (int sign = 0; sign <= 3; ++sign) {
    images.push_back({"balloon" + std::to_string(sign) + ".png", PaintBalloon(sign)});
  }
  images.push_back({"bomb.png", PaintBurst()});
  return images;
}

bool WriteStimulusSet(const std::filesystem::path& dir, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    error = "cannot create " + dir.string() + ": " + ec.message();
    return false;
  }
  for (const StimulusImage& stimulus : PaintStimulusImages()) {
    const std::filesystem::path path = dir / stimulus.file_name;
    if (!stimulus.image.save(QString::fromStdString(path.string()), "PNG")) {
      error = "cannot write " + path.string();
      return false;
    }
  }
  const std::filesystem::path wav = dir / kPopSoundFile;
  if (!WriteWavMono16(wav, SynthesizePop(), kPopSampleRate_hz)) {
    error = "cannot write " + wav.string();
    return false;
  }
  return true;
}

}  // namespace stimuli
