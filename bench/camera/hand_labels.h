#pragma once
// Labelled hands of the accuracy tool: the box CSV of a hand photo set
// (filename,width,height,class,xmin,ymin,xmax,ymax; classes 0-hand fist,
// 2-hand V sign, 5-hand open hand) and folders of crops by shape.

#include <opencv2/core.hpp>
#include <string>
#include <vector>

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
