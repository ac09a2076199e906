#pragma once
// One ONNX model in an ONNX Runtime session: float32 in, float32 out.
// Not thread-safe: each worker thread owns its models.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Tensor {
  std::vector<int64_t> shape;
  std::vector<float> values;  // C order

  int64_t dim(size_t i) const { return i < shape.size() ? shape[i] : 0; }
};

// How a model's session runs.
struct OnnxSessionOptions {
  int threads = 1;       // intra-op threads
  bool xnnpack = false;  // XNNPACK execution provider, where the runtime has one
};

// Whether the loaded ONNX Runtime offers the XNNPACK execution provider.
bool OnnxRuntimeHasXnnpack();

class OnnxModel {
 public:
  OnnxModel();
  ~OnnxModel();
  OnnxModel(const OnnxModel&) = delete;
  OnnxModel& operator=(const OnnxModel&) = delete;

  // Loads the model with `threads` intra-op threads (1 or 2 on a lab PC: the
  // capture thread and the UI need the rest). False with a message on failure
  // (also when ONNX Runtime itself cannot be loaded).
  bool Load(const std::string& path, int threads, std::string* error);
  bool Load(const std::string& path, const OnnxSessionOptions& options, std::string* error);
  bool loaded() const;

  // Runs the model on one input of the given NHWC shape. The outputs come in
  // the model's output order; output_names() tells which is which. False with
  // a message when the run fails (bad shape etc.).
  bool Run(const float* input, const std::vector<int64_t>& shape, std::vector<Tensor>* outputs,
           std::string* error);

  const std::vector<std::string>& output_names() const { return output_names_; }
  // Index of a named output, -1 when the model has none of that name.
  int OutputIndex(const std::string& name) const;

 private:
  struct Session;
  std::unique_ptr<Session> session_;
  std::string input_name_;
  std::vector<std::string> output_names_;
};
