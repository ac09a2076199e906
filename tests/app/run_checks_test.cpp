// Pieces of the checks around a run: which sound files the pop sound can play,
// the stimulus list, the wait for the first frames, and the watch that reports
// a sensor stopping mid-run.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/qt_trial_ports.h"
#include "app/run_checks.h"
#include "app/sensor_stop_report.h"
#include "app/signal_stop.h"
#include "app/wave_file_check.h"
#include "body/backends/scripted/scripted_sensor.h"
#include "body/sensor/sensor_problem.h"
#include "body/sensor_connection.h"
#include "stage/touch_wnd.h"
#include "state/message_box.h"
#include "state/program_state.h"

namespace {

void Put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
void Put16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v));
  out.push_back(static_cast<char>(v >> 8));
}
std::string Chunk(const std::string& id, const std::string& body) {
  std::string out = id;
  Put32(out, static_cast<uint32_t>(body.size()));
  return out + body + (body.size() % 2 ? std::string(1, '\0') : std::string());
}
std::string Format(uint16_t format, uint16_t channels = 1, uint32_t rate = 22050,
                   uint16_t bits = 16) {
  std::string f;
  Put16(f, format);
  Put16(f, channels);
  Put32(f, rate);
  Put32(f, rate * channels * bits / 8);
  Put16(f, static_cast<uint16_t>(channels * bits / 8));
  Put16(f, bits);
  return Chunk("fmt ", f);
}
std::string Riff(const std::string& chunks) {
  std::string out = "RIFF";
  Put32(out, static_cast<uint32_t>(4 + chunks.size()));
  return out + "WAVE" + chunks;
}

TEST(WaveFileCheck, TellsPlayableFromBrokenFiles) {
  const std::string samples = Chunk("data", std::string(400, '\x10'));
  const struct {
    const char* name;
    std::string bytes;
    const char* why;  // empty: playable
  } cases[] = {
      {"PCM", Riff(Format(1) + samples), ""},
      {"float, a list chunk first", Riff(Chunk("LIST", "abc") + Format(3, 2, 48000, 32) + samples),
       ""},
      {"empty file", "", "WAV ファイルではありません"},
      {"a PNG renamed", "\x89PNG\r\n\x1a\n....", "WAV ファイルではありません"},
      {"MP3 in WAV", Riff(Format(0x55) + samples),
       "圧縮された WAV です（形式 0x55）。非圧縮（PCM）で保存してください"},
      {"no channels", Riff(Format(1, 0) + samples), "fmt チャンクが壊れています"},
      {"data before format", Riff(samples + Format(1)), "音のデータが fmt チャンクより前にあります"},
      {"no data", Riff(Format(1)), "音が入っていません"},
      {"empty data", Riff(Format(1) + Chunk("data", "")), "音が入っていません"},
      {"no format", Riff(Chunk("LIST", "ab")), "fmt チャンクがありません"},
      {"cut short", Riff(Format(1) + samples).substr(0, 60),
       "途中で切れています（チャンクがファイルの終わりを越えています）"},
  };
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = (dir.path() + "/pop.wav").toStdString();
    std::ofstream(path, std::ios::binary) << c.bytes;
    std::string why;
    EXPECT_EQ(IsPlayableWaveFile(path, &why), std::string(c.why).empty());
    EXPECT_EQ(why, c.why);
  }
}

TEST(WaveFileCheck, TheProgramsOwnPopSoundIsPlayable) {
  const char* source = std::getenv("T2_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  std::string why;
  EXPECT_TRUE(IsPlayableWaveFile(std::string(source) + "/stim/bomb.wav", &why)) << why;
}

TEST(SensorStopReport, TheMessageSaysWhenAndWhy) {
  EXPECT_EQ(SensorStopMessage(SensorStopRecord{}), "");
  SensorStopRecord stop;
  stop.cause = SensorStopCause::kNoFrames;
  stop.clock_ms = 65000;
  stop.run_elapsed_ms = 83400;
  const std::string gap = SensorStopMessage(stop);
  EXPECT_NE(gap.find("実験開始から 1:23（Clock 65000 ms）"), std::string::npos) << gap;
  EXPECT_NE(gap.find("カメラの画像が 2 秒来ませんでした"), std::string::npos) << gap;

  stop.cause = SensorStopCause::kDeviceGone;
  stop.detail = "the camera /dev/video0 stopped delivering pictures";
  const std::string gone = SensorStopMessage(stop);
  EXPECT_NE(gone.find("切断を伝えました (the camera /dev/video0 stopped delivering pictures)"),
            std::string::npos)
      << gone;
}

// A sensor slow to open (a camera loading its models on a slow PC) still gets
// the whole wait for its first frames once it is open.
TEST(SensorReadiness, TheWaitForFirstFramesStartsOnceTheSensorIsOpen) {
  ResetProgramState();
  auto sensor = InstallScriptedSensor();
  ScriptedSensor* device = sensor.get();
  std::thread first_frames;
  sensor->SetOpenHook([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));  // longer than the wait
    first_frames = std::thread([device] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      device->PushSet(ScriptedColorFrame(64, 36, ColorImageFormat_Bgra, 0xFF000000),
                      BodyFrameData{});
    });
  });
  std::string problem;
  EXPECT_EQ(OpenSensorAndAwaitFrames(300, &problem), SensorReadiness::kDelivering) << problem;
  if (first_frames.joinable()) first_frames.join();
  CloseSensor();
  UninstallScriptedSensor();
}

// The watch of a run, served by the event loop as the trial loop's pump serves
// it: an unplugged device is recorded within a look or two and told once.
TEST(SensorStopReport, AnUnpluggedSensorIsRecordedAndReportedOnce) {
  ResetProgramState();
  std::vector<std::string> messages;
  const MessageBoxHandler previous = SetMessageBoxHandler(
      [&](const std::string& text, const std::string&, uint32_t) { messages.push_back(text); });
  auto sensor = InstallScriptedSensor();
  ASSERT_EQ(OpenSensor(), 1);
  sensor->PushColor(ScriptedColorFrame(64, 36, ColorImageFormat_Bgra, 0xFF000000));
  {
    RunSensorWatch watch;
    watch.Check();
    EXPECT_FALSE(sensor_stop.stopped());
    NoteSensorProblem("the camera /dev/video0 stopped delivering pictures");
    sensor->SetAvailable(false);
    QElapsedTimer waited;
    waited.start();
    while (!sensor_stop.stopped() && waited.elapsed() < 2000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_LT(waited.elapsed(), 1000) << "the watch looks four times a second";
  }
  EXPECT_EQ(sensor_stop.cause, SensorStopCause::kDeviceGone);
  EXPECT_EQ(sensor_stop.detail, "the camera /dev/video0 stopped delivering pictures");
  ReportSensorStop();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("体のセンサーが実験中に止まりました。", 0), 0u) << messages[0];

  // A new run's watch starts from a clean record.
  sensor->SetAvailable(true);
  { RunSensorWatch next; }
  EXPECT_FALSE(sensor_stop.stopped());
  CloseSensor();
  UninstallScriptedSensor();
  SetMessageBoxHandler(previous);
}

// After a stop signal the trial loop's host port makes every pass see Esc and
// shows no score box that nobody would close.
TEST(SignalStop, TheHostPortTurnsAStopIntoEscAndSkipsTheScoreBox) {
  ResetProgramState();
  std::vector<std::string> messages;
  const MessageBoxHandler previous = SetMessageBoxHandler(
      [&](const std::string& text, const std::string&, uint32_t) { messages.push_back(text); });
  QtHostPort host;
  host.PumpMessages();
  EXPECT_EQ(experiment_window.m_input.key, 0);
  host.ShowScore("3", "Score");
  EXPECT_EQ(messages.size(), 1u);

  SetStopRequestedForTesting(true);
  for (int pass = 0; pass < 3; ++pass) {
    experiment_window.m_input.key = 0;  // as a key release would
    host.PumpMessages();
    EXPECT_EQ(experiment_window.m_input.key, VK_ESCAPE);
  }
  host.ShowScore("3", "Score");
  EXPECT_EQ(messages.size(), 1u);
  SetStopRequestedForTesting(false);
  experiment_window.m_input.key = 0;
  SetMessageBoxHandler(previous);
}

}  // namespace
