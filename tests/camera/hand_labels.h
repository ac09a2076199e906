#pragma once
// Labelled hands of the accuracy tool and the tests: the box CSV of a hand photo set
// (filename,width,height,class,xmin,ymin,xmax,ymax; classes 0-hand fist,
// 2-hand V sign, 5-hand open hand) and folders of crops by shape.

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "body/backends/camera/inference/body_estimator.h"
#include "body/sensor/sensor_types.h"

// The three shapes in table order, and their names.
inline constexpr HandState kShapes[3] = {HandState_Closed, HandState_Lasso, HandState_Open};
inline constexpr const char* kShapeNames[3] = {"rock", "scissors", "paper"};
int ShapeIndex(HandState shape);  // 0..2, -1 for any other state

struct LabelledHand {
  std::string file;  // picture file name
  int shape = -1;    // index into kShapes
  cv::Rect box;      // picture pixels
};

// The rows of a labels CSV; a row that cannot be read is named on stderr and
// left out. Empty (with a message) when the file cannot be read.
std::vector<LabelledHand> ReadHandLabels(const std::string& csv_path);

// The pictures of DIR/rock, DIR/scissors and DIR/paper (missing folders are
// skipped), file names sorted, the box empty.
std::vector<LabelledHand> ListHandCrops(const std::string& dir);

// A confusion table: rows the true shape, columns read rock, scissors, paper,
// unknown, not found.
struct Confusion {
  int cell[3][5] = {};
  void Add(int truth, HandState read, bool found);
  void Print() const;
  int Labelled() const;
  int Definite() const;
  int Correct() const;
  int Found() const;
};

// Why a labelled hand got no definite shape.
enum HandLoss {
  kNoPerson,
  kNoWrist,
  kWristScore,
  kNoCrop,
  kNoHandInCrop,
  kUnknownShape,
  kHandLossCount
};
inline constexpr const char* kHandLossNames[kHandLossCount] = {
    "no person found",
    "no wrist near the hand",
    "wrist at the hand, score below threshold",
    "wrist tracked, hand not read",
    "read, hand model saw no hand",
    "read, shape unknown"};

// A body's hand counts as at a labelled box when its centre (or, unread, its
// wrist) lies in the box grown by this share of its larger side.
inline constexpr float kHandBoxMargin = 0.25f;

// The body hand the pipeline holds at a labelled box after its last Process.
struct HandMatch {
  int slot = -1, side = -1;  // side 0 left, 1 right
  bool found = false;        // tracked at the hand: read there, or the wrist tracked there
  HandState read = HandState_Unknown;  // the shape the body frame reports for it
  HandLoss loss = kNoWrist;            // why it has no definite shape, when it has none
};
HandMatch MatchLabelledHand(const LabelledHand& label, const BodyEstimator& estimator,
                            const BodyFrameData& frame, float keypoint_threshold);
