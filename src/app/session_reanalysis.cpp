#include "app/session_reanalysis.h"

#include <memory>

#include "body/backends/camera/inference/body_estimator.h"
#include "body/backends/camera/video/picture_scaler.h"
#include "body/backends/camera/video/recorded_frame_times.h"
#include "body/backends/camera/video/video_decoder.h"
#include "body/backends/camera/video/video_file_reader.h"
#include "body/body_update.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

struct AvFrameDeleter {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct AvPacketDeleter {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};

class Analysis {
 public:
  Analysis(const std::vector<RecordedFrame>& table, const CameraSettings& camera,
           const ReanalysisProgress& progress, SessionReanalysis* out)
      : table_(table), estimator_(camera), progress_(progress), out_(out) {}

  bool Load(std::string* error) { return estimator_.Load(error); }

  // One decoded picture, the next of the table.
  bool Take(const AVFrame& frame, const std::string& video, std::string* error) {
    const int64_t index = out_->frames_analysed;
    if (index >= int64_t(table_.size())) {
      *error = video + " holds more pictures than its frame table (" +
               std::to_string(table_.size()) + ")";
      return false;
    }
    if (!scaler_.ToBgr(frame, &bgr_)) {
      *error = video + ": picture " + std::to_string(index) + " cannot be converted";
      return false;
    }
    if (index == 0) {
      estimator_.SetCameraSize(bgr_.size());
      out_->width = bgr_.cols;
      out_->height = bgr_.rows;
    } else if (bgr_.cols != out_->width || bgr_.rows != out_->height) {
      *error = video + ": picture " + std::to_string(index) + " changes size";
      return false;
    }
    const RecordedFrame& row = table_[size_t(index)];
    auto body_frame = std::make_shared<BodyFrameData>();
    if (!estimator_.Process(bgr_, row.capture_time, body_frame.get(), nullptr, error)) {
      *error = video + ": picture " + std::to_string(index) + ": " + *error;
      return false;
    }
    const PinholeCamera camera = estimator_.camera_model();
    const ColourMapper map = [&camera](const CameraSpacePoint& p, ColorSpacePoint* colour) {
      *colour = camera.Project(p);
      return true;
    };
    for (int i = 0; i < kBodySlotCount; ++i) ReadTrackedBody(IBody(body_frame, i), map, slots_[i]);
    ++out_->frames_analysed;
    if (row.clock_ms) {
      out_->run->AddPicture(*row.clock_ms, row.capture_time * 100, slots_);
    } else {
      ++out_->frames_without_clock;
    }
    if (progress_) progress_(out_->frames_analysed, int64_t(table_.size()));
    return true;
  }

 private:
  const std::vector<RecordedFrame>& table_;
  BodyEstimator estimator_;
  PictureScaler scaler_;
  cv::Mat bgr_;
  // Kept from picture to picture: a hand's shape outlives a picture that lost the hand.
  std::array<TrackedBody, kBodySlotCount> slots_{};
  const ReanalysisProgress& progress_;
  SessionReanalysis* out_;
};

}  // namespace

bool ReanalyseSession(const std::string& video, const std::string& table, const ResultRun& run,
                      const ExperimentSettings& experiment, const CameraSettings& camera,
                      const ReanalysisProgress& progress, SessionReanalysis* out,
                      std::string* error) {
  *out = SessionReanalysis{};
  std::string problem;
  const std::optional<std::vector<RecordedFrame>> frames = ReadRecordedFrames(table, &problem);
  if (!frames) {
    *error = problem.empty() ? "no frame table " + table : problem;
    return false;
  }
  out->frames_in_table = int64_t(frames->size());
  out->run.emplace(run, experiment);

  VideoFileReader reader;
  VideoDecoder decoder;
  if (!reader.Open(video, error) || !decoder.Open(reader.codec(), error)) return false;
  Analysis analysis(*frames, camera, progress, out);
  if (!analysis.Load(error)) return false;

  std::unique_ptr<AVPacket, AvPacketDeleter> packet(av_packet_alloc());
  std::unique_ptr<AVFrame, AvFrameDeleter> frame(av_frame_alloc());
  bool input_over = false;
  for (;;) {
    const VideoDecoder::Result result = decoder.Receive(frame.get());
    if (result == VideoDecoder::Result::kFrame) {
      if (!analysis.Take(*frame, video, error)) return false;
      continue;
    }
    if (result == VideoDecoder::Result::kBadFrame) {
      *error = video + ": picture " + std::to_string(out->frames_analysed) +
               " cannot be decoded";
      return false;
    }
    if (result == VideoDecoder::Result::kDrained) break;
    if (input_over) break;
    std::string read_error;
    if (reader.Read(packet.get(), &read_error) == PacketReader::Result::kPacket) {
      if (!decoder.Send(packet.get())) {
        *error = video + ": picture " + std::to_string(out->frames_analysed) +
                 " is refused by the decoder";
        return false;
      }
    } else {
      if (!read_error.empty()) {
        *error = video + ": " + read_error;
        return false;
      }
      input_over = true;
      decoder.Send(nullptr);
    }
  }
  if (out->frames_analysed != out->frames_in_table) {
    *error = video + " holds " + std::to_string(out->frames_analysed) +
             " readable pictures, its frame table " + std::to_string(out->frames_in_table);
    return false;
  }
  return true;
}
