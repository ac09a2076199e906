#pragma once
// The ONNX Runtime C++ API, initialised by hand (see onnx_runtime_loader.h).
// Include this header, never onnxruntime_cxx_api.h directly, so that every
// file sees the same ORT_API_MANUAL_INIT setting.

#ifndef ORT_API_MANUAL_INIT
#define ORT_API_MANUAL_INIT
#endif
#include <onnxruntime_cxx_api.h>
