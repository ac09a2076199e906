#include "results/latency_tests.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>

#include "results/json_numbers.h"
#include "results/posix_file.h"
#include "results/regular_file.h"
#include "state/message_box.h"
#include "state/own_folder.h"
#include "state/path_names.h"
#include "state/translate_noop.h"

using Json = nlohmann::ordered_json;

namespace {

Json ToJson(const LatencyTestRecord& r) {
  return Json{{"date", r.date},
              {"device", r.device},
              {"file", r.file},
              {"n", r.n},
              {"missed", r.missed},
              {"mean", Tenth(r.mean_ms)},
              {"median", Tenth(r.median_ms)},
              {"min", Tenth(r.min_ms)},
              {"sd", Tenth(r.sd_ms)}};
}

std::optional<LatencyTestRecord> FromJson(const Json& j) {
  if (!j.is_object()) return std::nullopt;
  LatencyTestRecord r;
  try {
    r.date = j.at("date").get<std::string>();
    r.device = j.at("device").get<std::string>();
    r.file = j.at("file").get<std::string>();
    r.n = j.at("n").get<int32_t>();
    r.missed = j.at("missed").get<int32_t>();
    r.mean_ms = j.at("mean").get<double>();
    r.median_ms = j.at("median").get<double>();
    r.min_ms = j.at("min").get<double>();
    r.sd_ms = j.at("sd").get<double>();
  } catch (const Json::exception&) {
    return std::nullopt;
  }
  return r;
}

// The kept tests; an empty list for a missing file. Nothing when the file is
// there but cannot be read or is not a list of tests, with *problem.
std::optional<Json> ReadTests(const std::string& path, std::string* problem) {
  std::string bytes, error;
  switch (ReadRegularFile(path, &bytes, &error)) {
    case FileRead::kMissing:
      return Json::array();
    case FileRead::kFailed:
      *problem = error;
      return std::nullopt;
    case FileRead::kRead:
      break;
  }
  const Json file = Json::parse(bytes, nullptr, false);
  if (!file.is_object() || !file.contains("tests") || !file["tests"].is_array()) {
    *problem = MessageText(QT_TRANSLATE_NOOP("Message", "%1 は遅延テストのファイルではありません"),
                           {path});
    return std::nullopt;
  }
  return file["tests"];
}

// Replaces the file at `path` by `bytes` through a new file beside it.
bool ReplaceWhole(const std::string& path, const std::string& bytes, std::string* problem) {
  const std::string folder_path = ParentDirectory(path);
  const OpenedFolder folder = OpenFolder(folder_path);
  if (!folder.fd.valid()) {
    *problem = folder.problem;
    return false;
  }
  const std::string name = BaseName(path), part = name + ".part";
  ::unlinkat(folder.fd.get(), part.c_str(), 0);  // left by an earlier failure
  UniqueFd fd = CreateFileIn(folder.fd.get(), part, O_WRONLY, PrivateAccess());
  bool ok = fd.valid() && WriteAll(fd.get(), bytes) && SyncFile(fd.get());
  ok = ok && ::renameat(folder.fd.get(), part.c_str(), folder.fd.get(), name.c_str()) == 0;
  if (!ok) {
    *problem = MessageText(QT_TRANSLATE_NOOP("Message", "%1 に書き込めません: %2"),
                           {path, std::strerror(errno)});
    ::unlinkat(folder.fd.get(), part.c_str(), 0);
    return false;
  }
  SyncFolderOrWarn(folder.fd.get(), path);
  return true;
}

}  // namespace

std::string LatencyDeviceName(const SensorDescription& sensor) {
  return sensor.device.empty() ? sensor.backend : sensor.device;
}

std::string LatencyTestJson(const LatencyTestRecord& record) {
  return ToJson(record).dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::optional<LatencyTestRecord> FindLatencyTest(const std::string& path, const std::string& device,
                                                 std::string* problem) {
  std::string why;
  const std::optional<Json> tests = ReadTests(path, &why);
  if (problem != nullptr) *problem = why;
  if (!tests) return std::nullopt;
  for (const Json& t : *tests) {
    std::optional<LatencyTestRecord> record = FromJson(t);
    if (record && record->device == device) return record;
  }
  return std::nullopt;
}

bool KeepLatencyTest(const std::string& path, const LatencyTestRecord& record,
                     std::string* problem) {
  std::optional<Json> tests = ReadTests(path, problem);
  // A file that cannot be read is not replaced: it may hold other devices' tests.
  if (!tests) return false;
  Json kept = Json::array({ToJson(record)});
  for (const Json& t : *tests) {
    const std::optional<LatencyTestRecord> other = FromJson(t);
    if (other && other->device != record.device) kept.push_back(t);
  }
  const Json file{{"format", kLatencyTestsFormat}, {"tests", kept}};
  return ReplaceWhole(path, file.dump(2, ' ', false, Json::error_handler_t::replace) + "\n",
                      problem);
}
