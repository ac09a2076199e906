#include "app/reanalyse_run.h"

#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "app/session_reanalysis.h"
#include "body/backends/camera/inference/camera_assets.h"
#include "body/backends/camera/inference/file_digest.h"
#include "platform/file_access.h"
#include "results/posix_file.h"
#include "results/result_file_reader.h"
#include "results/result_format.h"
#include "results/run_record.h"
#include "results/timing_format.h"
#include "state/own_folder.h"
#include "state/path_names.h"
#include "state/run_file_endings.h"

namespace {

using Json = nlohmann::ordered_json;

// The settings the run record names; the program's defaults where it names none.
ExperimentSettings ExperimentSettingsOf(const Json& record) {
  ExperimentSettings s;
  const Json settings = record.value("settings", Json::object());
  auto take = [&](const char* key, int32_t* value) {
    if (settings.contains(key) && settings[key].is_number_integer())
      *value = settings[key].get<int32_t>();
  };
  take("janken", &s.janken);
  take("mirror", &s.mirror);
  take("flag_head", &s.flag_head);
  take("flag_shoulder", &s.flag_shoulder);
  take("flag_elbow", &s.flag_elbow);
  take("flag_hip", &s.flag_hip);
  take("flag_knee", &s.flag_knee);
  take("flag_foot", &s.flag_foot);
  take("flag_single", &s.flag_single);
  return s;
}

// The camera settings the live run used (its record's camera.ini values),
// then the command line's. False with *error when an override is refused.
bool CameraSettingsFor(const Json& record, const CameraOverrides& overrides, CameraSettings* out,
                       std::string* error) {
  *out = CameraSettings{};
  const Json ini = record.contains("sensor") && record["sensor"].is_object()
                       ? record["sensor"].value("camera_ini", Json::object())
                       : Json::object();
  for (const auto& [key, value] : ini.items()) {
    // A key of another program version is left at its default.
    if (value.is_string()) SetCameraSetting(key, value.get<std::string>(), out);
  }
  for (const auto& [key, value] : overrides) {
    if (const char* why = SetCameraSetting(key, value, out)) {
      *error = "--set " + key + "=" + value + ": " + why;
      return false;
    }
  }
  // Every picture in order is the point of a re-analysis.
  out->replay_every_frame = true;
  return true;
}

Json FileEntry(const std::string& path) {
  return Json{{"path", path}, {"sha256", FileSha256(path)}};
}

Json AnalysisRecord(const std::string& trial_path, const ResultFileSet& set,
                    const std::string& video, const std::string& table,
                    const CameraSettings& camera, const SessionReanalysis& analysis,
                    size_t samples) {
  Json record;
  record["format"] = "tavelin2-reanalysis/1";
  record["program"] = {{"name", "tavelin2"}, {"version", ProgramVersion()}};
  Json sources;
  sources["trial_file"] = FileEntry(trial_path);
  sources["timing_file"] = set.timing_path.empty() ? Json() : FileEntry(set.timing_path);
  sources["run_record"] = set.run_record_path.empty() ? Json() : FileEntry(set.run_record_path);
  sources["video"] = FileEntry(video);
  sources["frame_table"] = FileEntry(table);
  record["sources"] = sources;
  Json ini = Json::object();
  for (const auto& [key, value] : CameraSettingsRecord(camera)) ini[key] = value;
  record["camera_ini"] = ini;
  Json models = Json::array();
  for (const std::string& name : CameraModelNames(camera)) {
    Json entry = FileEntry(ModelPath(name));
    entry["name"] = name;
    models.push_back(entry);
  }
  record["models"] = models;
  record["picture"] = {{"width", analysis.width}, {"height", analysis.height}};
  record["frames"] = {{"in_table", analysis.frames_in_table},
                      {"analysed", analysis.frames_analysed},
                      {"without_clock", analysis.frames_without_clock}};
  record["counts"] = {{"body_samples", samples}, {"trials", set.runs.back().trials.size()}};
  return record;
}

}  // namespace

bool WriteOutputs(const std::string& dir,
                  const std::vector<std::pair<std::string, std::string>>& files,
                  std::string* error) {
  const OpenedFolder folder = OpenFolder(dir);
  if (!folder.fd.valid()) {
    *error = folder.problem;
    return false;
  }
  std::vector<std::string> parts;
  auto remove_parts = [&] {
    for (const std::string& part : parts) ::unlinkat(folder.fd.get(), part.c_str(), 0);
  };
  for (const auto& [name, bytes] : files) {
    const std::string part = name + ".part";
    ::unlinkat(folder.fd.get(), part.c_str(), 0);  // left by an earlier failure
    UniqueFd fd = CreateFileIn(folder.fd.get(), part, O_WRONLY, PrivateAccess());
    if (fd.valid()) parts.push_back(part);
    if (!fd.valid() || !WriteAll(fd.get(), bytes) || !SyncFile(fd.get())) {
      *error = dir + "/" + name + ": cannot be written: " + std::strerror(errno);
      remove_parts();
      return false;
    }
  }
  for (size_t i = 0; i < files.size(); ++i) {
    if (::renameat(folder.fd.get(), parts[i].c_str(), folder.fd.get(), files[i].first.c_str()) !=
        0) {
      *error = dir + "/" + files[i].first + ": cannot be written: " + std::strerror(errno);
      for (size_t j = 0; j < i; ++j) ::unlinkat(folder.fd.get(), files[j].first.c_str(), 0);
      parts.erase(parts.begin(), parts.begin() + i);
      remove_parts();
      return false;
    }
  }
  SyncFolderOrWarn(folder.fd.get(), dir);
  return true;
}

namespace {

// Frames done, their rate and the time left, on one line about once a second.
class ProgressLine {
 public:
  explicit ProgressLine(std::string name)
      : name_(std::move(name)), start_(std::chrono::steady_clock::now()), last_(start_) {}
  void operator()(int64_t done, int64_t total) {
    const auto now = std::chrono::steady_clock::now();
    if (done != total && now - last_ < std::chrono::seconds(1)) return;
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double fps = seconds > 0 ? done / seconds : 0;
    const double left = fps > 0 ? (total - done) / fps : 0;
    std::fprintf(stderr, "tavelin2: %s: %lld/%lld frames, %.1f frames/s, %.0f s left\n",
                 name_.c_str(), static_cast<long long>(done), static_cast<long long>(total), fps,
                 left);
  }

 private:
  std::string name_;
  std::chrono::steady_clock::time_point start_, last_;
};

}  // namespace

bool ReanalyseRun(const std::string& given, const CameraOverrides& overrides,
                  const std::string& out_dir, std::string* error) {
  const std::string trial_path = TrialFileFor(given);
  const std::optional<ResultFileSet> set = ReadResultFiles(trial_path, error);
  if (!set) return false;
  // Runs appended in the same second share the result files but not the
  // video name: which run the video shows could not be told.
  if (set->runs.size() != 1) {
    *error = trial_path + " holds " + std::to_string(set->runs.size()) +
             " runs; a re-analysis takes the files of one run";
    return false;
  }
  const std::string run_dir = ParentDirectory(trial_path);
  std::error_code ec;
  if (std::filesystem::equivalent(run_dir.empty() ? "." : run_dir, out_dir, ec)) {
    *error = "--out must be another folder than the run's: its own files would be replaced";
    return false;
  }
  const std::string stem = RunStem(trial_path);
  const std::string video = RunFilePath(trial_path, run_file::kVideo),
                    table = RunFilePath(trial_path, run_file::kVideoTable);
  if (::access(video.c_str(), R_OK) != 0) {
    *error = "no session video " + video + " (" + std::strerror(errno) + ")";
    return false;
  }
  const Json record =
      set->run_record ? Json::parse(set->run_record->text, nullptr, false) : Json::object();
  const Json run_record = record.is_object() ? record : Json::object();
  CameraSettings camera;
  if (!CameraSettingsFor(run_record, overrides, &camera, error)) return false;
  const std::string missing = MissingCameraAssets(camera);
  if (!missing.empty()) {
    *error = missing;
    return false;
  }

  const ResultRun& run = set->runs.front();
  SessionReanalysis analysis;
  ProgressLine progress(BaseName(video));
  if (!ReanalyseSession(video, table, run, ExperimentSettingsOf(run_record), camera,
                        std::ref(progress), &analysis, error))
    return false;

  const std::vector<BodySample>& samples = analysis.run->samples();
  std::string body(kBodyFileHeader);
  AppendBodyRows(body, samples);
  std::string timing(kTimingFileHeader);
  const std::vector<TrialTiming> timings = analysis.run->Timing();
  AppendTimingRows(timing, timings);
  const std::string summary =
      AnalysisRecord(trial_path, *set, video, table, camera, analysis, samples.size()).dump(2) +
      "\n";
  const std::string name = BaseName(stem);
  return WriteOutputs(
      out_dir,
      {{RunFilePath(name, run_file::kBody), body},
       {RunFilePath(name, run_file::kTiming), timing},
       {RunFilePath(name, run_file::kReanalysis), summary}},
      error);
}

bool ParseCameraOverride(const std::string& setting, CameraOverrides* out, std::string* error) {
  const size_t eq = setting.find('=');
  if (eq == std::string::npos || eq == 0) {
    *error = "--set needs KEY=VALUE (a camera.ini key)";
    return false;
  }
  const std::string key = setting.substr(0, eq), text = setting.substr(eq + 1);
  CameraSettings scratch;
  if (const char* why = SetCameraSetting(key, text, &scratch)) {
    *error = "--set " + setting + ": " + why;
    return false;
  }
  out->emplace_back(key, text);
  return true;
}

bool MakeOutputFolder(const std::string& dir, std::string* error) {
  for (size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
    const std::string folder = dir.substr(0, slash);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
      *error = folder + ": " + std::strerror(errno);
      return false;
    }
    if (slash == std::string::npos) return true;
  }
}
