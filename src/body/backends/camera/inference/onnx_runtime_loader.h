#pragma once
// ONNX Runtime is loaded at run time (dlopen), not linked: a machine without it
// still starts the program, and choosing the camera then gives a message that
// names the set-up command instead of a loader error before main().

#include <string>

// Loads libonnxruntime.so.1 (from the set-up's folder, else the system's
// library path) once and initialises the C++ API. False with a message naming
// what to run when it cannot be loaded. Thread-safe; later calls return the
// first result.
bool LoadOnnxRuntime(std::string* error);
