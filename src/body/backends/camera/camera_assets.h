#pragma once
// Where the set-up (tools/setup-extra.sh) put ONNX Runtime and the converted
// models, and a check that they are all there.

#include <string>

// The set-up's download folder: $TAVELIN_CAMERA_ASSETS when set (a copy of the
// folder elsewhere), else the folder this build was configured with.
std::string CameraAssetsDir();

// Path of a converted model, e.g. ModelPath("movenet-multipose").
std::string ModelPath(const std::string& name);

// Empty when the runtime and every model the backend needs are present; else
// a message for the experimenter naming what is missing and what to run.
std::string MissingCameraAssets(bool full_hand_model);
