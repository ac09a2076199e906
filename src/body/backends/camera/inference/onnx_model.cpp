#include "body/backends/camera/inference/onnx_model.h"

#include <string>

#include "body/backends/camera/inference/onnx_api.h"
#include "body/backends/camera/inference/onnx_runtime_loader.h"
#include "state/message_box.h"
#include "state/translate_noop.h"

struct OnnxModel::Session {
  Ort::Env env{nullptr};
  Ort::Session session{nullptr};
  Ort::MemoryInfo memory{nullptr};
};

OnnxModel::OnnxModel() = default;
OnnxModel::~OnnxModel() = default;

bool OnnxModel::loaded() const {
  return session_ != nullptr;
}

bool OnnxRuntimeHasXnnpack() {
  if (!LoadOnnxRuntime(nullptr)) return false;
  try {
    for (const std::string& name : Ort::GetAvailableProviders())
      if (name == "XnnpackExecutionProvider") return true;
  } catch (const Ort::Exception&) {
  }
  return false;
}

bool OnnxModel::Load(const std::string& path, int threads, std::string* error) {
  OnnxSessionOptions options;
  options.threads = threads;
  return Load(path, options, error);
}

bool OnnxModel::Load(const std::string& path, const OnnxSessionOptions& wanted,
                     std::string* error) {
  session_.reset();
  if (!LoadOnnxRuntime(error)) return false;
  try {
    auto s = std::make_unique<Session>();
    s->env = Ort::Env(ORT_LOGGING_LEVEL_ERROR, "tavelin2-camera");
    Ort::SessionOptions options;
    options.SetIntraOpNumThreads(wanted.threads);
    options.SetInterOpNumThreads(1);
    options.SetExecutionMode(ExecutionMode::ORT_SEQUENTIAL);
    options.SetGraphOptimizationLevel(GraphOptimizationLevel::ORT_ENABLE_ALL);
    // Spinning worker threads would take CPU from the capture thread and the UI.
    options.AddConfigEntry("session.intra_op.allow_spinning", "0");
    if (wanted.xnnpack && OnnxRuntimeHasXnnpack()) {
      options.AppendExecutionProvider(
          "XNNPACK", {{"intra_op_num_threads", std::to_string(wanted.threads)}});
    }
    s->session = Ort::Session(s->env, path.c_str(), options);
    s->memory = Ort::MemoryInfo::CreateCpu(OrtArenaAllocator, OrtMemTypeDefault);
    Ort::AllocatorWithDefaultOptions allocator;
    input_name_ = s->session.GetInputNameAllocated(0, allocator).get();
    output_names_.clear();
    for (size_t i = 0; i < s->session.GetOutputCount(); ++i)
      output_names_.push_back(s->session.GetOutputNameAllocated(i, allocator).get());
    session_ = std::move(s);
    return true;
  } catch (const Ort::Exception& e) {
    if (error)
      *error = MessageText(QT_TRANSLATE_NOOP("Message", "モデル %1 を読み込めません: %2"),
                           {path, e.what()});
    return false;
  }
}

int OnnxModel::OutputIndex(const std::string& name) const {
  for (size_t i = 0; i < output_names_.size(); ++i)
    if (output_names_[i] == name) return static_cast<int>(i);
  return -1;
}

bool OnnxModel::Run(const float* input, const std::vector<int64_t>& shape,
                    std::vector<Tensor>* outputs, std::string* error) {
  if (!session_) {
    if (error) *error = "model not loaded";
    return false;
  }
  try {
    size_t count = 1;
    for (int64_t d : shape) count *= static_cast<size_t>(d);
    Ort::Value in = Ort::Value::CreateTensor<float>(session_->memory, const_cast<float*>(input),
                                                    count, shape.data(), shape.size());
    const char* in_names[] = {input_name_.c_str()};
    std::vector<const char*> out_names;
    for (const auto& n : output_names_) out_names.push_back(n.c_str());
    std::vector<Ort::Value> out = session_->session.Run(Ort::RunOptions{nullptr}, in_names, &in, 1,
                                                        out_names.data(), out_names.size());
    outputs->resize(out.size());
    for (size_t i = 0; i < out.size(); ++i) {
      auto info = out[i].GetTensorTypeAndShapeInfo();
      Tensor& t = (*outputs)[i];
      t.shape = info.GetShape();
      const float* data = out[i].GetTensorData<float>();
      t.values.assign(data, data + info.GetElementCount());
    }
    return true;
  } catch (const Ort::Exception& e) {
    if (error) *error = std::string("inference failed: ") + e.what();
    return false;
  }
}
