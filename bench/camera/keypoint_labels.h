#pragma once
// Labelled people of a keypoint photo set, their joints mapped by name onto
// our 17 COCO keypoints. Two file layouts:
//  - COCO keypoint json (COCO itself, CrowdPose, ...): the joint names are
//    the json's categories[0].keypoints; a person's size is the larger side
//    of its box; people without labelled joints are left out;
//  - MPII list (mmpose's json: one entry per person, 16 joints in MPII order,
//    `joints_vis`, `scale`): a person's size is scale x 200 pixels.
// Joints without a counterpart (head top, neck, pelvis, ...) are skipped.

#include <array>
#include <string>
#include <vector>

#include "body/backends/camera/inference/pose_types.h"

struct LabelledPerson {
  std::string file;  // picture file name
  std::array<bool, kKeypointCount> named{};  // the file has this joint at all
  std::array<bool, kKeypointCount> labelled{};
  std::array<ScoredPoint, kKeypointCount> keypoints{};  // picture pixels (score unused)
  float size = 0;                                       // pixels
};

// Our keypoint names ("nose", "left_eye", ..., COCO's own), by Keypoint.
extern const char* const kKeypointNames[kKeypointCount];

// The labelled people of a file in either layout, in file order. Empty with
// a message in *error when it cannot be read.
std::vector<LabelledPerson> ReadKeypointLabels(const std::string& json_path, std::string* error);

// How a file's joint names map onto ours: index into `names` -> Keypoint, -1
// where there is no counterpart.
std::vector<int> MapKeypointNames(const std::vector<std::string>& names);
