#pragma once
// Where ONNX Runtime and the converted models are, and a check that they are
// all there. Looked up in this order:
//   $TAVELIN_CAMERA_ASSETS (a copy of the set-up's folder: onnxruntime/lib/,
//     models/);
//   an installed program's own copies: <prefix>/lib/tavelin2/ for the
//     runtime (in onnxruntime/), <prefix>/share/tavelin2/models/ for the models;
//   the folder tools/setup-extra.sh filled, which this build was configured with.

#include <string>
#include <vector>

#include "body/backends/camera/video/camera_settings.h"
#include "state/translate_noop.h"

// The set-up's download folder: $TAVELIN_CAMERA_ASSETS when set, else the
// folder this build was configured with (tests find reference outputs there).
std::string CameraAssetsDir();

// The ONNX Runtime library to load.
std::string OnnxRuntimeLibraryPath();

// Path of a converted model, e.g. ModelPath("movenet-multipose").
std::string ModelPath(const std::string& name);

// The single-pose model's name, e.g. "movenet-thunder" ("" when off).
std::string PoseRefineModelName(PoseRefineModel model);

// The models these settings run, by name (ModelPath gives the file).
std::vector<std::string> CameraModelNames(const CameraSettings& settings);

// How to get the runtime and models again, in words for this program: an
// installed one is reinstalled, a build from source runs its set-up.
std::string CameraAssetsFix();

// A model without an output the program reads (%1 the model's file, %2 the
// output, %3 CameraAssetsFix()), for MessageText.
inline constexpr const char* kNoModelOutput =
    QT_TRANSLATE_NOOP("Message", "%1 に出力「%2」がありません。%3");

// Empty when the runtime and every model these settings need are present;
// else a message for the experimenter naming what is missing and how to get it.
std::string MissingCameraAssets(const CameraSettings& settings);
