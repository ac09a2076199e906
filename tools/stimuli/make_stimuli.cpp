// Writes the stimuli into a folder (normally the program's stim/):
//   make_stimuli <output-folder> [--preview <sheet.png>]
#include <QString>
#include <cstdio>
#include <string>
#include <vector>

#include "preview_sheet.h"
#include "stimulus_set.h"

int main(int argc, char** argv) {
  std::string out_dir, preview_path;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--preview" && i + 1 < argc) {
      preview_path = argv[++i];
    } else if (out_dir.empty() && !arg.starts_with("-")) {
      out_dir = arg;
    } else {
      out_dir.clear();
      break;
    }
  }
  if (out_dir.empty()) {
    std::fprintf(stderr, "usage: %s <output-folder> [--preview <sheet.png>]\n", argv[0]);
    return 2;
  }
  std::string error;
  if (!stimuli::WriteStimulusSet(out_dir, error)) {
    std::fprintf(stderr, "make_stimuli: %s\n", error.c_str());
    return 1;
  }
  if (!preview_path.empty()) {
    std::vector<QImage> images;
    for (const auto& stimulus : stimuli::PaintStimulusImages()) images.push_back(stimulus.image);
    if (!stimuli::PaintPreviewSheet(images).save(QString::fromStdString(preview_path), "PNG")) {
      std::fprintf(stderr, "make_stimuli: cannot write %s\n", preview_path.c_str());
      return 1;
    }
  }
  return 0;
}
