#include "hand_labels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

int ShapeIndex(HandState shape) {
  for (int i = 0; i < 3; ++i)
    if (kShapes[i] == shape) return i;
  return -1;
}

namespace {
int ShapeOfClass(const std::string& name) {
  if (name == "0-hand" || name == "rock") return 0;
  if (name == "2-hand" || name == "scissors") return 1;
  if (name == "5-hand" || name == "paper") return 2;
  return -1;
}
}  // namespace

std::vector<LabelledHand> ReadHandLabels(const std::string& csv_path) {
  std::vector<LabelledHand> hands;
  std::ifstream in(csv_path);
  if (!in) {
    std::fprintf(stderr, "camera_accuracy: cannot read %s\n", csv_path.c_str());
    return hands;
  }
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (number == 1 && line.rfind("filename,", 0) == 0) continue;
    if (line.empty()) continue;
    std::vector<std::string> f;
    std::stringstream ss(line);
    for (std::string cell; std::getline(ss, cell, ',');) f.push_back(cell);
    LabelledHand h;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool ok = f.size() == 8;
    if (ok) {
      h.file = f[0];
      h.shape = ShapeOfClass(f[3]);
      ok = h.shape >= 0 && std::sscanf(f[4].c_str(), "%d", &x0) == 1 &&
           std::sscanf(f[5].c_str(), "%d", &y0) == 1 && std::sscanf(f[6].c_str(), "%d", &x1) == 1 &&
           std::sscanf(f[7].c_str(), "%d", &y1) == 1 && x1 > x0 && y1 > y0;
    }
    if (!ok) {
      std::fprintf(stderr, "camera_accuracy: %s:%d: not a labelled hand: %s\n", csv_path.c_str(),
                   number, line.c_str());
      continue;
    }
    h.box = cv::Rect(x0, y0, x1 - x0, y1 - y0);
    hands.push_back(h);
  }
  return hands;
}

std::vector<LabelledHand> ListHandCrops(const std::string& dir) {
  namespace fs = std::filesystem;
  std::vector<LabelledHand> hands;
  for (int shape = 0; shape < 3; ++shape) {
    const fs::path folder = fs::path(dir) / kShapeNames[shape];
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) continue;
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(folder, ec))
      if (entry.is_regular_file()) files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    for (const std::string& f : files) hands.push_back({f, shape, {}});
  }
  return hands;
}

void Confusion::Add(int truth, HandState read, bool found) {
  const int column = !found ? 4 : ShapeIndex(read) >= 0 ? ShapeIndex(read) : 3;
  ++cell[truth][column];
}

void Confusion::Print() const {
  std::printf("%-10s %8s %8s %8s %8s %9s\n", "true\\read", "rock", "scissors", "paper", "unknown",
              "notfound");
  for (int t = 0; t < 3; ++t) {
    std::printf("%-10s", kShapeNames[t]);
    for (int c = 0; c < 5; ++c) std::printf(" %8d", cell[t][c]);
    const int n = cell[t][0] + cell[t][1] + cell[t][2] + cell[t][3] + cell[t][4];
    const int wrong = cell[t][0] + cell[t][1] + cell[t][2] - cell[t][t];
    std::printf("   correct %5.1f %%, wrong %4.1f %%\n", n ? 100.0 * cell[t][t] / n : 0.0,
                n ? 100.0 * wrong / n : 0.0);
  }
}

int Confusion::Labelled() const {
  int n = 0;
  for (const auto& row : cell)
    for (int c : row) n += c;
  return n;
}
int Confusion::Found() const {
  int n = 0;
  for (const auto& row : cell) n += row[0] + row[1] + row[2] + row[3];
  return n;
}
int Confusion::Definite() const {
  int n = 0;
  for (const auto& row : cell) n += row[0] + row[1] + row[2];
  return n;
}
int Confusion::Correct() const {
  return cell[0][0] + cell[1][1] + cell[2][2];
}

HandMatch MatchLabelledHand(const LabelledHand& label, const BodyEstimator& estimator,
                            const BodyFrameData& frame, float keypoint_threshold) {
  const float m = kHandBoxMargin * std::max(label.box.width, label.box.height);
  const cv::Rect2f grown(label.box.x - m, label.box.y - m, label.box.width + 2 * m,
                         label.box.height + 2 * m);
  const cv::Point2f centre(label.box.x + label.box.width / 2.0f,
                           label.box.y + label.box.height / 2.0f);
  HandMatch best;
  bool any_person = false;
  float best_rank = -1;
  for (int s = 0; s < kTrackSlots; ++s) {
    const TrackSlot& slot = estimator.slots()[s];
    if (!slot.seen) continue;
    any_person = true;
    for (int side = 0; side < 2; ++side) {
      const HandReading& r = estimator.hand_readings()[s][side];
      const ScoredPoint& w = slot.pose.keypoints[side == 0 ? kLeftWrist : kRightWrist];
      const cv::Point2f at = r.found ? r.centre : cv::Point2f(w.x, w.y);
      if (!grown.contains(at)) continue;
      const float d = std::hypot(at.x - centre.x, at.y - centre.y) / grown.width;
      // Read hands first, then tracked wrists, then the nearest.
      const float rank = (r.found ? 4.0f : 0.0f) + (w.score >= keypoint_threshold ? 2.0f : 0.0f) +
                         w.score + (1.0f - std::min(d, 1.0f));
      if (rank <= best_rank) continue;
      best_rank = rank;
      best.slot = s, best.side = side;
      best.found = r.found || w.score >= keypoint_threshold;
      const BodyData& body = frame.bodies[s];
      best.read = !best.found ? HandState_Unknown : side == 0 ? body.hand_left : body.hand_right;
      best.loss = r.found                         ? kUnknownShape
                  : r.looked                      ? kNoHandInCrop
                  : w.score >= keypoint_threshold ? kNoCrop
                                                  : kWristScore;
    }
  }
  if (!any_person) best.loss = kNoPerson;
  return best;
}
