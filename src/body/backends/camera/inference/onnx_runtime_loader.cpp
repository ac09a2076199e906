#include "body/backends/camera/inference/onnx_runtime_loader.h"

#include <dlfcn.h>

#include <mutex>

#include "body/backends/camera/inference/camera_assets.h"
#include "body/backends/camera/inference/onnx_api.h"
#include "state/message_box.h"
#include "state/translate_noop.h"

namespace {

struct LoadResult {
  bool ok = false;
  std::string error;
};

LoadResult LoadOnce() {
  const std::string bundled = OnnxRuntimeLibraryPath();
  void* library = dlopen(bundled.c_str(), RTLD_NOW | RTLD_LOCAL);
  std::string first_error = library ? "" : dlerror();
  if (!library) library = dlopen("libonnxruntime.so.1", RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    return {false, MessageText(QT_TRANSLATE_NOOP("Message",
                                                 "ONNX Runtime（libonnxruntime.so.1）を読み込めません"
                                                 "でした: %1。%2"),
                               {first_error, CameraAssetsFix()})};
  }
  // The library stays loaded for the rest of the program: sessions may live
  // in program-wide objects until exit.
  using GetApiBase = const OrtApiBase* (*)();
  auto get_api_base = reinterpret_cast<GetApiBase>(dlsym(library, "OrtGetApiBase"));
  const OrtApiBase* base = get_api_base ? get_api_base() : nullptr;
  const OrtApi* api = base ? base->GetApi(ORT_API_VERSION) : nullptr;
  if (!api) {
    return {false, MessageText(QT_TRANSLATE_NOOP("Message",
                                                 "見つかった ONNX Runtime（%1）は API バージョン %2 に"
                                                 "対応していません。%3"),
                               {bundled, std::to_string(ORT_API_VERSION), CameraAssetsFix()})};
  }
  Ort::InitApi(api);
  return {true, ""};
}

}  // namespace

bool LoadOnnxRuntime(std::string* error) {
  static std::once_flag once;
  static LoadResult result;
  std::call_once(once, [] { result = LoadOnce(); });
  if (!result.ok && error) *error = result.error;
  return result.ok;
}
