#include "keypoint_labels.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

const char* const kKeypointNames[kKeypointCount] = {
    "nose",           "left_eye",   "right_eye",   "left_ear",   "right_ear",   "left_shoulder",
    "right_shoulder", "left_elbow", "right_elbow", "left_wrist", "right_wrist", "left_hip",
    "right_hip",      "left_knee",  "right_knee",  "left_ankle", "right_ankle"};

namespace {

using nlohmann::json;

// MPII's joint order, named as ours where there is a counterpart.
const std::vector<std::string> kMpiiJoints = {
    "right_ankle",    "right_knee",    "right_hip",  "left_hip",  "left_knee",   "left_ankle",
    "pelvis",         "thorax",        "upper_neck", "head_top",  "right_wrist", "right_elbow",
    "right_shoulder", "left_shoulder", "left_elbow", "left_wrist"};
constexpr float kMpiiScalePixels = 200;

std::vector<LabelledPerson> ReadCoco(const json& doc) {
  const std::vector<int> map =
      MapKeypointNames(doc.at("categories").at(0).at("keypoints").get<std::vector<std::string>>());
  std::map<int64_t, std::string> files;
  for (const json& image : doc.at("images"))
    files[image.at("id").get<int64_t>()] = image.at("file_name").get<std::string>();
  std::vector<LabelledPerson> people;
  for (const json& a : doc.at("annotations")) {
    if (a.value("num_keypoints", 0) <= 0) continue;
    const std::vector<float> k = a.at("keypoints").get<std::vector<float>>();
    const std::vector<float> box = a.at("bbox").get<std::vector<float>>();
    if (k.size() != 3 * map.size() || box.size() != 4) throw std::runtime_error("bad annotation");
    LabelledPerson p;
    p.file = files.at(a.at("image_id").get<int64_t>());
    p.size = std::max(box[2], box[3]);
    for (size_t j = 0; j < map.size(); ++j) {
      if (map[j] >= 0) p.named[map[j]] = true;
      if (map[j] < 0 || k[3 * j + 2] <= 0) continue;
      p.labelled[map[j]] = true;
      p.keypoints[map[j]] = {k[3 * j], k[3 * j + 1], 0};
    }
    people.push_back(p);
  }
  return people;
}

std::vector<LabelledPerson> ReadMpii(const json& doc) {
  const std::vector<int> map = MapKeypointNames(kMpiiJoints);
  std::vector<LabelledPerson> people;
  for (const json& e : doc) {
    const json& joints = e.at("joints");
    const json& visible = e.at("joints_vis");
    if (joints.size() != map.size() || visible.size() != map.size())
      throw std::runtime_error("not 16 joints");
    LabelledPerson p;
    p.file = e.at("image").get<std::string>();
    p.size = e.at("scale").get<float>() * kMpiiScalePixels;
    for (size_t j = 0; j < map.size(); ++j) {
      if (map[j] >= 0) p.named[map[j]] = true;
      if (map[j] < 0 || visible[j].get<float>() <= 0) continue;
      p.labelled[map[j]] = true;
      p.keypoints[map[j]] = {joints[j].at(0).get<float>(), joints[j].at(1).get<float>(), 0};
    }
    if (std::count(p.labelled.begin(), p.labelled.end(), true) > 0) people.push_back(p);
  }
  return people;
}

}  // namespace

std::vector<int> MapKeypointNames(const std::vector<std::string>& names) {
  std::vector<int> map(names.size(), -1);
  for (size_t j = 0; j < names.size(); ++j)
    for (int k = 0; k < kKeypointCount; ++k)
      if (names[j] == kKeypointNames[k]) map[j] = k;
  return map;
}

std::vector<LabelledPerson> ReadKeypointLabels(const std::string& json_path, std::string* error) {
  std::ifstream in(json_path);
  if (!in) {
    *error = "cannot open " + json_path;
    return {};
  }
  try {
    const json doc = json::parse(in);
    std::vector<LabelledPerson> people = doc.is_array() ? ReadMpii(doc) : ReadCoco(doc);
    if (people.empty()) *error = json_path + ": no labelled people";
    return people;
  } catch (const std::exception& e) {
    *error = json_path + ": " + e.what();
    return {};
  }
}
