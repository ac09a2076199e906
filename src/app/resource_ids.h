#pragma once
// Numeric IDs of the menu commands, dialog templates and controls. Widgets carry
// their symbol as objectName and their number in the "control_id" property, so
// tests and automation find a control exactly as the resource names it.

#include <cstdint>

inline constexpr const char* kControlIdProperty = "control_id";

// Menu resource and its commands.
inline constexpr int32_t IDR_MAINFRAME = 101;
inline constexpr int32_t ID_FILE_EXIT = 40001;
inline constexpr int32_t ID_HELP_ABOUT = 40002;
inline constexpr int32_t ID_EXPERIMENT_START = 40005;
inline constexpr int32_t ID_EXPERIMENT_CAMERA_CHECK = 40006;
inline constexpr int32_t ID_EXPERIMENT_OPEN_DATA_FOLDER = 40007;
inline constexpr int32_t ID_EXPERIMENT_LATENCY_TEST = 40008;

// Dialog templates.
inline constexpr int32_t IDD_ABOUTBOX = 102;
inline constexpr int32_t IDD_SUBJECT = 104;

// Standard dialog buttons.
inline constexpr int32_t IDOK = 1;
inline constexpr int32_t IDCANCEL = 2;

// Controls of the setup dialog.
inline constexpr int32_t IDC_SUBJECT = 1001;
inline constexpr int32_t IDC_RANDOM_SEED = 1004;
inline constexpr int32_t IDC_MIRROR = 1005;
inline constexpr int32_t IDC_JANKEN_NONE = 1007;
inline constexpr int32_t IDC_JANKEN_NORMAL = 1008;
inline constexpr int32_t IDC_JANKEN_LATE = 1009;
inline constexpr int32_t IDC_TIMELIMIT = 1010;
inline constexpr int32_t IDC_FLAG_HEAD = 1011;
inline constexpr int32_t IDC_FLAG_SHOULDER = 1012;
inline constexpr int32_t IDC_FLAG_ELBOW = 1013;
inline constexpr int32_t IDC_FLAG_HIP = 1014;
inline constexpr int32_t IDC_FLAG_KNEE = 1015;
inline constexpr int32_t IDC_FLAG_FOOT = 1016;
inline constexpr int32_t IDC_FLAG_MOUSE = 1017;
inline constexpr int32_t IDC_FLAG_SINGLE = 1018;
