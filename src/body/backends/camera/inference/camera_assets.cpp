#include "body/backends/camera/inference/camera_assets.h"

#include <cstdlib>
#include <filesystem>

#include "platform/data_paths.h"
#include "state/message_box.h"
#include "state/translate_noop.h"

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
  return UseInstalled()
             ? MessageText(QT_TRANSLATE_NOOP("Message",
                                             "tavelin2 パッケージを入れ直してから（sudo apt install "
                                             "--reinstall ./tavelin2_<version>_amd64.deb）、"
                                             "プログラムをもう一度起動してください。"))
             : MessageText(QT_TRANSLATE_NOOP("Message",
                                             "tools/setup-extra.sh を実行してから（npm から取ってきて"
                                             "モデルを変換します）、プログラムをもう一度起動して"
                                             "ください。"));
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
  return MessageText(QT_TRANSLATE_NOOP("Message",
                                       "カメラセンサーには ONNX Runtime と姿勢・手のモデルが"
                                       "必要ですが、次のファイルがありません:%1\n%2"),
                     {missing, CameraAssetsFix()});
}
