// The complete set of stimuli the program loads from its "stim" folder.
#pragma once

#include <QImage>
#include <filesystem>
#include <string>
#include <vector>

namespace stimuli {

struct StimulusImage {
  std::string file_name;  // e.g. "balloon1.png"
  QImage image;
};

constexpr const char* kPopSoundFile = "bomb.wav";

// balloon0.png to balloon3.png (plain, rock, scissors, paper), then bomb.png.
std::vector<StimulusImage> PaintStimulusImages();

// Writes the five images and the pop sound into `dir`, creating it if needed.
// On failure returns false and `error` names what could not be written.
bool WriteStimulusSet(const std::filesystem::path& dir, std::string& error);

}  // namespace stimuli
