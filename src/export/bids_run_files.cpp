#include "export/bids_run_files.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "export/bids_events.h"
#include "results/run_timeline.h"
#include "state/body_vocabulary.h"
#include "state/record_fields.h"

namespace {

using Json = nlohmann::ordered_json;

// A joint as the body file samples it.
struct Joint {
  std::string_view tracked_point;
  int32_t BodySample::*x;
  int32_t BodySample::*y;
  bool mirrored_by_program;  // x already on the displayed side when the mirror display is off
};

constexpr std::array<Joint, kJointCount> MakeJoints() {
  std::array<Joint, kJointCount> joints{};
  for (size_t i = 0; i < joints.size(); ++i) {
    const BodyJoint& j = kBodyJoints[i];
    joints[i] = {j.name, SampleOf(j.x), SampleOf(j.y), j.side != JointSide::kMiddle};
  }
  return joints;
}

// In body file column order.
constexpr std::array<Joint, kJointCount> kJoints = MakeJoints();

struct Channel {
  std::string name, component, type, tracked_point, units, reference_frame, description;
};

std::vector<Channel> Channels(bool with_latency) {
  std::vector<Channel> channels;
  if (with_latency) {
    channels.push_back({"latency", "n/a", "LATENCY", "n/a", "s", "n/a",
                        "time of the camera frame in seconds from the first row"});
  }
  for (const Joint& j : kJoints) {
    for (const char* axis : {"x", "y"}) {
      const std::string point(j.tracked_point);
      channels.push_back({point + "_" + axis, axis, "POS", point, "px", "picture",
                          std::string(axis) + " of the " + point + " joint"});
    }
  }
  channels.push_back(
      {"balloon_x", "x", "POS", "balloon", "px", "picture", "x of the balloon centre"});
  channels.push_back(
      {"balloon_y", "y", "POS", "balloon", "px", "picture", "y of the balloon centre"});
  channels.push_back(
      {"hand_left_shape", "n/a", "MISC", "hand_left", "n/a", "n/a",
       "left hand shape: 0 unknown, 1 rock (closed), 2 scissors (lasso), 3 paper (open)"});
  channels.push_back(
      {"hand_right_shape", "n/a", "MISC", "hand_right", "n/a", "n/a",
       "right hand shape: 0 unknown, 1 rock (closed), 2 scissors (lasso), 3 paper (open)"});
  channels.push_back({"body_id", "n/a", "MISC", "n/a", "n/a", "n/a",
                      "tracker id of the exported body (the participant)"});
  return channels;
}

std::string ChannelsTsv(const std::vector<Channel>& channels) {
  std::string out = "name\tcomponent\ttype\ttracked_point\tunits\treference_frame\tdescription\n";
  for (const Channel& c : channels) {
    out += c.name + '\t' + c.component + '\t' + c.type + '\t' + c.tracked_point + '\t' + c.units +
           '\t' + c.reference_frame + '\t' + c.description + '\n';
  }
  return out;
}

std::string ChannelsJson() {
  Json j;
  j["reference_frame"] = {
      {"Description", "The frame in which the POS channels are given."},
      {"Levels",
       {{"picture",
         {{"Description",
           "Picture space of the stage display: the 960 x 540 pixel camera picture as the child "
           "saw it on the screen, origin at its top left corner, +x to the right and +y "
           "DOWNWARD (image convention), in pixels. Balloon and joints share this space. "
           "Joints were estimated in 2D from the camera picture; there is no depth axis."}}}}}};
  j["units"] = {{"Description", "Units of the channel."},
                {"Levels",
                 {{"px", "pixels of the 960 x 540 picture space (half the camera's pixels)"},
                  {"s", "seconds"},
                  {"n/a", "a code or an id without unit"}}}};
  j["component"] = {{"Description", "Axis of a POS channel (x or y); n/a for other channels."}};
  j["description"] = {{"Description", "What the channel holds."}};
  return j.dump(2) + "\n";
}

std::string TrackingSystemName(const std::string& tracksys) {
  if (tracksys == "camera")
    return "Tavelin2 camera backend: 2D body pose estimated from a webcam's video";
  if (tracksys == "sim") return "Tavelin2 simulated sensor (synthetic children, for testing)";
  if (tracksys == "kinect")
    return "Microsoft Kinect v2 body tracking, joints mapped to the colour picture";
  return "body tracker of Tavelin2 (" + tracksys + ")";
}

double Round3(double v) {
  return std::round(v * 1000) / 1000;
}

std::string MotionJson(const BidsRunContext& context, const RunTimeline& timeline,
                       const std::vector<Channel>& channels, bool latency) {
  const auto& frames = timeline.frames();
  const double interval_ms =
      context.run_record != nullptr && context.run_record->frame_interval_median_ms
          ? *context.run_record->frame_interval_median_ms
          : timeline.MedianFrameIntervalMs();
  const double duration_s =
      static_cast<double>(frames.back().time_ms - frames.front().time_ms) / 1000.0;
  Json j;
  j["TaskName"] = "balloons";
  j["TaskDescription"] =
      "Balloons appear one after another at random places on the camera picture of the child, "
      "shown on a large screen; the child pops each by reaching it with a hand (or another "
      "enabled body site). In the janken modes only the right hand shape pops a balloon.";
  j["TrackingSystemName"] = TrackingSystemName(context.tracksys);
  j["SamplingFrequency"] = Round3(1000.0 / interval_ms);
  j["SamplingFrequencyEffective"] =
      Round3(static_cast<double>(frames.size() - 1) / std::max(duration_s, 0.001));
  j["RecordingDuration"] = Round3(duration_s);
  j["RecordingType"] = latency ? "discontinuous" : "continuous";
  size_t pos = 0, misc = 0;
  for (const Channel& c : channels) {
    pos += c.type == "POS";
    misc += c.type == "MISC";
  }
  j["MotionChannelCount"] = channels.size();
  j["POSChannelCount"] = pos;
  j["MISCChannelCount"] = misc;
  if (latency) j["LATENCYChannelCount"] = 1;
  j["TrackedPointsCount"] = kJointCount + 1;  // the joints and the balloon
  j["MissingValues"] = "n/a";
  if (context.run_record != nullptr && !context.run_record->program_version.empty()) {
    j["SoftwareVersions"] = "Tavelin2 " + context.run_record->program_version;
  }
  return j.dump(2) + "\n";
}

void PutInt(std::string& out, int32_t v) {
  out += std::to_string(v);
}

// Missing joint: (-1, -1) as sampled, or (961, -1) once the program mirrored it.
bool JointMissing(int32_t x, int32_t y) {
  return y == -1 && (x == -1 || x == kPictureWidth + 1);
}

std::string MotionTsv(const ResultRun& run, const RunTimeline& timeline, bool latency) {
  std::string out;
  const int64_t origin = timeline.frames().front().time_ms;
  for (const RunFrame& f : timeline.frames()) {
    std::string row;
    if (latency) row += FormatSeconds(f.time_ms - origin) + '\t';
    const BodySample* body = f.participant ? &run.samples[*f.participant] : nullptr;
    for (const Joint& j : kJoints) {
      if (body == nullptr || JointMissing(body->*j.x, body->*j.y)) {
        row += "n/a\tn/a\t";
        continue;
      }
      int32_t x = body->*j.x;
      // With the mirror display off the program flipped the limbs' x to the
      // displayed side but left head and spine on the camera side: bring them over.
      if (!j.mirrored_by_program && f.mirror == 0) x = kPictureWidth - x;
      PutInt(row, x);
      row += '\t';
      PutInt(row, body->*j.y);
      row += '\t';
    }
    const BodySample& any = run.samples[f.first];  // the balloon is the same for every body
    PutInt(row, any.target_x);
    row += '\t';
    PutInt(row, any.target_y);
    row += '\t';
    if (body == nullptr) {
      row += "n/a\tn/a\tn/a";
    } else {
      PutInt(row, body->hand_l);
      row += '\t';
      PutInt(row, body->hand_r);
      row += '\t';
      PutInt(row, body->id);
    }
    out += row + '\n';
  }
  return out;
}

}  // namespace

std::string FormatSeconds(int64_t ms) {
  const char* sign = ms < 0 ? "-" : "";
  const int64_t a = ms < 0 ? -ms : ms;
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%s%lld.%03lld", sign, static_cast<long long>(a / 1000),
                static_cast<long long>(a % 1000));
  return buffer;
}

std::optional<BidsRunFiles> MakeBidsRunFiles(const ResultRun& run, const BidsRunContext& context,
                                             std::string* why) {
  const RunTimeline timeline(run, context.run_record);
  if (timeline.frames().size() < 2) {
    *why = "it has " + std::to_string(timeline.frames().size()) +
           " camera frame(s) with a tracked body; there is no movement to export";
    return std::nullopt;
  }
  BidsRunFiles files;
  files.has_latency = timeline.Uneven();
  const std::vector<Channel> channels = Channels(files.has_latency);
  files.channels_tsv = ChannelsTsv(channels);
  files.channels_json = ChannelsJson();
  files.motion_json = MotionJson(context, timeline, channels, files.has_latency);
  files.motion_tsv = MotionTsv(run, timeline, files.has_latency);
  files.events_tsv = MakeEventsTsv(run, timeline, timeline.frames().front().time_ms);
  files.frame_count = timeline.frames().size();
  files.channel_count = channels.size();
  return files;
}
