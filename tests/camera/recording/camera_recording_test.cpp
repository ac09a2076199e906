// Recording a session's pictures: the camera's JPEG frames land in the AVI
// byte for byte (with the standard Huffman tables added where a camera left
// them out), decoded pictures are encoded once, the frame table names each
// frame's capture time and run clock, the files go where the run's files may
// go and never replace one, a slow disk drops video frames and counts them,
// a video cut short by a kill still opens and replays, and a replay hands the
// pictures out at their recorded times.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "body/backends/camera/recording/mjpeg_huffman.h"
#include "body/backends/camera/video/picture_scaler.h"
#include "body/backends/camera/video/recorded_frame_times.h"
#include "body/backends/camera/recording/session_recorder.h"
#include "body/backends/camera/video/video_decoder.h"
#include "body/backends/camera/video/video_file_reader.h"
#include "body/backends/camera/video/video_source.h"
#include "support/file_mode.h"
#include "test_media.h"

namespace fs = std::filesystem;

namespace {

// Frame i: grey, with a white square that moves 20 px a frame.
std::vector<cv::Mat> MovingSquare(int frames, cv::Size size = {320, 240}) {
  std::vector<cv::Mat> pictures;
  for (int i = 0; i < frames; ++i) {
    cv::Mat p(size, CV_8UC3, cv::Scalar::all(60));
    p(cv::Rect(20 * i % (size.width - 40), 40, 40, 40)).setTo(cv::Scalar::all(250));
    pictures.push_back(p);
  }
  return pictures;
}

// A fresh folder for one test.
std::string NewFolder(const std::string& name) {
  const fs::path dir = fs::path(::testing::TempDir()) / ("camera_recording_test_" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir.string();
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The compressed frames of a video file, in order.
std::vector<std::vector<uint8_t>> PacketsOf(const std::string& path) {
  VideoFileReader reader;
  std::string error;
  std::vector<std::vector<uint8_t>> out;
  EXPECT_TRUE(reader.Open(path, &error)) << error;
  AVPacket* packet = av_packet_alloc();
  while (reader.Read(packet, &error) == PacketReader::Result::kPacket)
    out.emplace_back(packet->data, packet->data + packet->size);
  av_packet_free(&packet);
  return out;
}

// One JPEG frame decoded to BGR; empty when it does not decode.
cv::Mat DecodeJpeg(const std::vector<uint8_t>& jpeg) {
  AVCodecParameters* codec = avcodec_parameters_alloc();
  codec->codec_type = AVMEDIA_TYPE_VIDEO;
  codec->codec_id = AV_CODEC_ID_MJPEG;
  VideoDecoder decoder;
  std::string error;
  const bool opened = decoder.Open(*codec, &error);
  avcodec_parameters_free(&codec);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  cv::Mat bgr;
  if (opened && av_new_packet(packet, int(jpeg.size())) == 0) {
    std::copy(jpeg.begin(), jpeg.end(), packet->data);
    if (decoder.Send(packet) && decoder.Receive(frame) == VideoDecoder::Result::kFrame)
      PictureScaler().ToBgr(*frame, &bgr);
  }
  av_packet_free(&packet);
  av_frame_free(&frame);
  return bgr;
}

// A JPEG frame with its Huffman tables taken out, as many USB cameras send them.
std::vector<uint8_t> WithoutHuffmanTables(const std::vector<uint8_t>& jpeg) {
  std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
  size_t at = 2;
  while (at + 4 <= jpeg.size() && jpeg[at + 1] != 0xDA) {
    const size_t length = size_t(jpeg[at + 2]) << 8 | jpeg[at + 3];
    if (jpeg[at + 1] != 0xC4)
      out.insert(out.end(), jpeg.begin() + at, jpeg.begin() + at + 2 + length);
    at += 2 + length;
  }
  out.insert(out.end(), jpeg.begin() + at, jpeg.end());
  return out;
}

double MaxDifference(const cv::Mat& a, const cv::Mat& b) {
  if (a.size() != b.size() || a.empty()) return 1e9;
  cv::Mat difference;
  cv::absdiff(a, b, difference);
  double most = 0;
  cv::minMaxLoc(difference.reshape(1), nullptr, &most);
  return most;
}

// The pictures of a clip, in order, as the capture thread gets them.
std::vector<CameraPicture> PicturesOf(const std::string& path) {
  CameraSettings settings;
  settings.replay_realtime = false;
  VideoSource source;
  std::string error;
  EXPECT_TRUE(source.Open(path, settings, &error)) << error;
  std::vector<CameraPicture> pictures;
  CameraPicture picture;
  while (source.Next(&picture) == VideoSource::Read::kFrame) pictures.push_back(std::move(picture));
  return pictures;
}

SessionRecordingPlan PlanIn(std::vector<std::string> directories,
                            const std::string& base = "P1_20240102_030405") {
  SessionRecordingPlan plan;
  plan.video_name = base + "_V.avi";
  plan.table_name = base + "_V.csv";
  plan.directories = std::move(directories);
  // A run clock that was reset 0.5 s into the replay clock's second 100.
  plan.run_clock_ms_at = [](TIMESPAN t) -> std::optional<int64_t> {
    if (t < 1000'5000000) return std::nullopt;
    return (t - 1000'5000000) / 10000;
  };
  return plan;
}

SessionRecorderOptions OptionsFor(cv::Size size) {
  SessionRecorderOptions options;
  options.width = size.width;
  options.height = size.height;
  return options;
}

// ------------------------------------------------------------ Huffman tables

TEST(MjpegHuffmanTables, AFrameWithoutThemGetsTheStandardOnesAndDecodesTheSame) {
  const std::string clip = NewFolder("huffman") + "/clip.avi";
  ClipOptions options;
  options.standard_huffman = true;
  options.chroma_422 = true;
  const auto frames = WriteMjpegClip(clip, MovingSquare(1, {640, 480}), options);
  ASSERT_EQ(frames.size(), 1u);
  const std::vector<uint8_t>& full = frames[0];
  const std::vector<uint8_t> bare = WithoutHuffmanTables(full);
  ASSERT_LT(bare.size(), full.size()) << "the encoder wrote no tables to take out";

  EXPECT_TRUE(JpegHasHuffmanTables(full));
  EXPECT_FALSE(JpegHasHuffmanTables(bare));
  const std::vector<uint8_t> mended = WithStandardHuffmanTables(bare);
  EXPECT_TRUE(JpegHasHuffmanTables(mended));
  EXPECT_EQ(mended.size(), bare.size() + 4 + 4 * 17 + 2 * 12 + 2 * 162);
  const cv::Mat want = DecodeJpeg(full);
  ASSERT_FALSE(want.empty());
  EXPECT_EQ(MaxDifference(DecodeJpeg(mended), want), 0)
      << "the inserted tables are not the standard ones";
  // A frame with tables, and bytes that are no JPEG, are stored as they are.
  EXPECT_EQ(WithStandardHuffmanTables(full), full);
  const std::vector<uint8_t> garbage(64, 0x55);
  EXPECT_TRUE(JpegHasHuffmanTables(garbage));
  EXPECT_EQ(WithStandardHuffmanTables(garbage), garbage);
}

// ----------------------------------------------------------------- recording

struct KeepCase {
  const char* name;
  bool camera_leaves_out_tables;
};

class RecordingKeepsTheCamerasFrames : public ::testing::TestWithParam<KeepCase> {};

TEST_P(RecordingKeepsTheCamerasFrames, ByteForByteWithItsFrameTable) {
  const KeepCase& c = GetParam();
  const std::string dir = NewFolder(c.name);
  ClipOptions clip_options;
  clip_options.chroma_422 = true;
  clip_options.standard_huffman = true;
  const auto written = WriteMjpegClip(dir + "/clip.avi", MovingSquare(12), clip_options);
  ASSERT_EQ(written.size(), 12u);
  std::vector<CameraPicture> pictures = PicturesOf(dir + "/clip.avi");
  ASSERT_EQ(pictures.size(), 12u);
  std::vector<std::vector<uint8_t>> want;
  for (size_t i = 0; i < pictures.size(); ++i) {
    // Capture times on both sides of the run clock's reset, one gap of 200 ms.
    pictures[i].capture_time = 1000'4000000 + TIMESPAN(i) * 333333 + (i >= 6 ? 2000000 : 0);
    if (c.camera_leaves_out_tables) {
      pictures[i].compressed = std::make_shared<const std::vector<uint8_t>>(
          WithoutHuffmanTables(*pictures[i].compressed));
      want.push_back(WithStandardHuffmanTables(*pictures[i].compressed));
    } else {
      want.push_back(*pictures[i].compressed);
    }
  }

  SessionRecorder recorder(PlanIn({dir}), OptionsFor({320, 240}));
  ASSERT_TRUE(recorder.Start()) << recorder.report().problem;
  for (const CameraPicture& p : pictures) recorder.Offer(p);
  const SessionRecordingReport report = recorder.Finish();
  EXPECT_TRUE(report.on);
  EXPECT_EQ(report.video_path, dir + "/P1_20240102_030405_V.avi");
  EXPECT_EQ(report.table_path, dir + "/P1_20240102_030405_V.csv");
  EXPECT_EQ(report.frames_written, 12u);
  EXPECT_EQ(report.frames_dropped, 0u);
  EXPECT_EQ(report.problem, "");

  const auto stored = PacketsOf(report.video_path);
  ASSERT_EQ(stored.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) EXPECT_TRUE(stored[i] == want[i]) << "frame " << i;

  std::string table = "Frame,CaptureTime,Clock\r\n";
  for (size_t i = 0; i < pictures.size(); ++i) {
    const TIMESPAN t = pictures[i].capture_time;
    table += std::to_string(i) + "," + std::to_string(t) + "," +
             (t < 1000'5000000 ? "" : std::to_string((t - 1000'5000000) / 10000)) + "\r\n";
  }
  EXPECT_EQ(ReadText(report.table_path), table);
}

INSTANTIATE_TEST_SUITE_P(Cameras, RecordingKeepsTheCamerasFrames,
                         ::testing::Values(KeepCase{"with_tables", false},
                                           KeepCase{"without_tables", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Recording, DecodedPicturesAreEncodedOnceAsJpeg) {
  const std::string dir = NewFolder("encoded");
  const std::vector<cv::Mat> squares = MovingSquare(5);
  WriteMjpegClip(dir + "/clip.avi", squares);
  std::vector<CameraPicture> pictures = PicturesOf(dir + "/clip.avi");
  ASSERT_EQ(pictures.size(), 5u);
  for (CameraPicture& p : pictures) p.compressed.reset();  // a camera that sends raw pictures

  SessionRecorder recorder(PlanIn({dir}), OptionsFor({320, 240}));
  ASSERT_TRUE(recorder.Start());
  for (const CameraPicture& p : pictures) recorder.Offer(p);
  const SessionRecordingReport report = recorder.Finish();
  EXPECT_EQ(report.frames_written, 5u);
  const auto stored = PacketsOf(report.video_path);
  ASSERT_EQ(stored.size(), 5u);
  for (size_t i = 0; i < stored.size(); ++i)
    EXPECT_LT(MaxDifference(DecodeJpeg(stored[i]), squares[i]), 40) << "frame " << i;
}

TEST(Recording, GoesToTheFirstFolderThatTakesBothFilesAndNeverReplacesOne) {
  const std::string taken = NewFolder("taken");
  const std::string rescue = NewFolder("rescue");
  std::ofstream(taken + "/P1_20240102_030405_V.csv") << "a file of the same name\n";
  const std::vector<CameraPicture> pictures = PicturesOf([&] {
    WriteMjpegClip(rescue + "/clip.avi", MovingSquare(2));
    return rescue + "/clip.avi";
  }());

  SessionRecorder recorder(PlanIn({"/nonexistent/folder", taken, rescue}), OptionsFor({320, 240}));
  ASSERT_TRUE(recorder.Start());
  for (const CameraPicture& p : pictures) recorder.Offer(p);
  const SessionRecordingReport report = recorder.Finish();
  EXPECT_EQ(report.video_path, rescue + "/P1_20240102_030405_V.avi");
  EXPECT_EQ(report.frames_written, 2u);
  EXPECT_EQ(ReadText(taken + "/P1_20240102_030405_V.csv"), "a file of the same name\n");
  EXPECT_FALSE(fs::exists(taken + "/P1_20240102_030405_V.avi")) << "half a pair left behind";

  SessionRecorder nowhere(PlanIn({"/nonexistent/folder", taken}), OptionsFor({320, 240}));
  EXPECT_FALSE(nowhere.Start());
  const SessionRecordingReport refused = nowhere.Finish();
  EXPECT_TRUE(refused.on);
  EXPECT_EQ(refused.video_path, "");
  EXPECT_NE(refused.problem.find("/nonexistent/folder"), std::string::npos) << refused.problem;
  EXPECT_NE(refused.problem.find(taken), std::string::npos) << refused.problem;
  nowhere.Offer(pictures[0]);
  EXPECT_EQ(nowhere.report().frames_written, 0u);
}

// Video of a child is for the user alone whatever the umask, and never goes
// into a rescue folder another account made first (with links named like the
// two files, to a place it reads): that folder is passed over for the user's own.
TEST(Recording, IsForTheUserAloneAndPassesOverAnotherAccountsFolder) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to hand a folder to another account";
  const std::vector<CameraPicture> pictures = PicturesOf([&] {
    const std::string clip = NewFolder("modes_clip") + "/clip.avi";
    WriteMjpegClip(clip, MovingSquare(2));
    return clip;
  }());
  for (const mode_t mask : {mode_t{0}, mode_t{022}}) {
    SCOPED_TRACE("umask " + std::to_string(mask));
    const std::string work = NewFolder("modes_work"), loot = NewFolder("modes_loot");
    const std::string theirs = NewFolder("modes_theirs"), own = NewFolder("modes_home") + "/rescue";
    for (const char* name : {"/P1_20240102_030405_V.avi", "/P1_20240102_030405_V.csv"})
      fs::create_symlink(loot + name, theirs + name);
    ::chmod(theirs.c_str(), 0777);
    ASSERT_EQ(::chown(theirs.c_str(), 54398, 54398), 0);
    const mode_t old_mask = ::umask(mask);
    SessionRecorder in_place(PlanIn({work}), OptionsFor({320, 240}));
    SessionRecorder rescued(PlanIn({"/nonexistent/folder", theirs, own}), OptionsFor({320, 240}));
    const bool started = in_place.Start() && rescued.Start();
    ::umask(old_mask);
    ASSERT_TRUE(started);
    for (const CameraPicture& p : pictures) {
      in_place.Offer(p);
      rescued.Offer(p);
    }
    EXPECT_EQ(in_place.Finish().frames_written, 2u);
    const SessionRecordingReport report = rescued.Finish();
    EXPECT_EQ(report.video_path, own + "/P1_20240102_030405_V.avi");
    EXPECT_EQ(report.frames_written, 2u);
    EXPECT_TRUE(fs::is_empty(loot)) << "the other account got the video";
    EXPECT_EQ(ModeText(own), "0700");
    for (const std::string& dir : {work, own}) {
      EXPECT_EQ(ModeText(dir + "/P1_20240102_030405_V.avi"), "0600") << dir;
      EXPECT_EQ(ModeText(dir + "/P1_20240102_030405_V.csv"), "0600") << dir;
    }
  }
}

TEST(Recording, AFullQueueDropsVideoFramesAndCountsThem) {
  const std::string dir = NewFolder("full_queue");
  WriteMjpegClip(dir + "/clip.avi", MovingSquare(3));
  std::vector<CameraPicture> pictures = PicturesOf(dir + "/clip.avi");
  for (CameraPicture& p : pictures) p.compressed.reset();  // each must be encoded: slow
  SessionRecorderOptions options = OptionsFor({320, 240});
  options.queue_bytes = 2 * 320 * 240 * 3 / 2;  // two decoded pictures
  SessionRecorder recorder(PlanIn({dir}), options);
  ASSERT_TRUE(recorder.Start());
  const int offered = 300;
  for (int i = 0; i < offered; ++i) recorder.Offer(pictures[i % 3]);
  const SessionRecordingReport report = recorder.Finish();
  EXPECT_GT(report.frames_dropped, 0u);
  EXPECT_EQ(report.frames_written + report.frames_dropped, uint64_t(offered));
  EXPECT_EQ(PacketsOf(report.video_path).size(), report.frames_written);
  const auto times = ReadRecordedFrameTimes(report.table_path, nullptr);
  ASSERT_TRUE(times);
  EXPECT_EQ(times->size(), report.frames_written);
}

// ------------------------------------------------------------------- replay

// What a kill leaves: the files as they are on disk after the recorder's
// last sync, the table's last row cut in the middle, the video cut in the
// middle of a frame.
TEST(Replay, AVideoCutShortByAKillOpensAndReplaysUpToItsLastWholeFrame) {
  const std::string dir = NewFolder("cut_short");
  WriteMjpegClip(dir + "/clip.avi", MovingSquare(20));
  const std::vector<CameraPicture> pictures = PicturesOf(dir + "/clip.avi");
  ASSERT_EQ(pictures.size(), 20u);
  SessionRecorderOptions options = OptionsFor({320, 240});
  options.sync_interval = std::chrono::milliseconds(1);
  SessionRecorder recorder(PlanIn({dir}), options);
  ASSERT_TRUE(recorder.Start());
  for (int i = 0; i < 10; ++i) recorder.Offer(pictures[i]);
  for (int wait = 0; wait < 2000 && recorder.report().frames_written < 10; ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // a sync after the tenth frame
  const std::string killed = dir + "/killed_V.avi";
  fs::copy_file(recorder.report().video_path, killed);
  fs::copy_file(recorder.report().table_path, dir + "/killed_V.csv");
  std::ofstream(dir + "/killed_V.csv", std::ios::app) << "10,12";  // a torn row
  for (int i = 10; i < 20; ++i) recorder.Offer(pictures[i]);
  recorder.Finish();

  // The whole ten frames, times from the table.
  CameraSettings settings;
  settings.replay_realtime = false;
  VideoSource source;
  std::string error;
  ASSERT_TRUE(source.Open(killed, settings, &error)) << error;
  EXPECT_TRUE(source.timed_by_table());
  std::vector<CameraPicture> replayed;
  CameraPicture p;
  while (source.Next(&p) == VideoSource::Read::kFrame) replayed.push_back(std::move(p));
  ASSERT_EQ(replayed.size(), 10u);
  for (size_t i = 0; i < replayed.size(); ++i) {
    EXPECT_TRUE(*replayed[i].compressed == *pictures[i].compressed) << "frame " << i;
    EXPECT_EQ(replayed[i].capture_time - replayed[0].capture_time,
              pictures[i].capture_time - pictures[0].capture_time);
  }
  source.Close();

  // Power lost in the middle of a frame: the frames before it.
  const auto size = fs::file_size(killed);
  fs::resize_file(killed, size - 300);
  ASSERT_TRUE(source.Open(killed, settings, &error)) << error;
  int frames = 0;
  while (source.Next(&p) == VideoSource::Read::kFrame) ++frames;
  EXPECT_EQ(frames, 9);
}

TEST(Replay, PicturesComeAtTheirRecordedTimesGapsIncluded) {
  const std::string dir = NewFolder("recorded_times");
  WriteMjpegClip(dir + "/clip.avi", MovingSquare(6));
  std::vector<CameraPicture> pictures = PicturesOf(dir + "/clip.avi");
  const std::vector<TIMESPAN> taken = {50'0000000, 50'0330000, 50'0670000,
                                       50'4000000, 50'4330000, 50'4340000};
  for (size_t i = 0; i < pictures.size(); ++i) pictures[i].capture_time = taken[i];
  SessionRecorder recorder(PlanIn({dir}), OptionsFor({320, 240}));
  ASSERT_TRUE(recorder.Start());
  for (const CameraPicture& p : pictures) recorder.Offer(p);
  const SessionRecordingReport report = recorder.Finish();
  ASSERT_EQ(VideoTablePathFor(report.video_path), report.table_path);

  const std::vector<CameraPicture> replayed = PicturesOf(report.video_path);
  ASSERT_EQ(replayed.size(), taken.size());
  for (size_t i = 0; i < taken.size(); ++i)
    EXPECT_EQ(replayed[i].capture_time - replayed[0].capture_time, taken[i] - taken[0]) << i;

  // Without its table the video plays at its frame rate; a table that is
  // not one is reported and left alone.
  fs::rename(report.table_path, dir + "/aside.csv");
  std::vector<CameraPicture> untimed = PicturesOf(report.video_path);
  ASSERT_EQ(untimed.size(), taken.size());
  EXPECT_EQ(untimed[3].capture_time - untimed[0].capture_time, 1000000);
  std::ofstream(report.table_path) << "Frame,CaptureTime,Clock\r\n0,5,\r\n2,7,\r\n";
  std::string problem;
  EXPECT_FALSE(ReadRecordedFrameTimes(report.table_path, &problem));
  EXPECT_NE(problem.find(":3: frame numbers out of order"), std::string::npos) << problem;
  untimed = PicturesOf(report.video_path);
  EXPECT_EQ(untimed[3].capture_time - untimed[0].capture_time, 1000000);
}

// The run clock of each row: empty before the run started it, negative
// just around the restart; anything else is no frame table.
TEST(RecordedFramesTest, TheClockColumnIsReadOrTheTableRefused) {
  const std::string path = ::testing::TempDir() + "/recorded_frames_clock.csv";
  std::ofstream(path, std::ios::binary)
      << "Frame,CaptureTime,Clock\r\n0,100,\r\n1,433,-2\r\n2,766,31\r\n";
  std::string problem;
  const auto frames = ReadRecordedFrames(path, &problem);
  ASSERT_TRUE(frames) << problem;
  ASSERT_EQ(frames->size(), 3u);
  EXPECT_FALSE((*frames)[0].clock_ms);
  EXPECT_EQ((*frames)[1].clock_ms, -2);
  EXPECT_EQ((*frames)[2].clock_ms, 31);
  EXPECT_EQ((*frames)[2].capture_time, 766);

  for (const char* clock : {"x", "3.5", "99999999999"}) {
    std::ofstream(path, std::ios::binary)
        << "Frame,CaptureTime,Clock\r\n0,100," << clock << "\r\n1,200,5\r\n";
    EXPECT_FALSE(ReadRecordedFrames(path, &problem)) << clock;
    EXPECT_NE(problem.find(":2: not a run clock"), std::string::npos) << problem;
  }
}

}  // namespace
