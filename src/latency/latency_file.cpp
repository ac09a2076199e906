#include "latency/latency_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "results/posix_file.h"
#include "state/message_box.h"
#include "state/own_folder.h"
#include "state/path_names.h"
#include "state/translate_noop.h"

namespace {

std::string Ms(int64_t ns, int64_t origin_ns) {
  if (ns == 0) return "-1";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(ns - origin_ns) / 1e6);
  return text;
}

}  // namespace

std::string LatencyFileRows(std::span<const FlashResult> results, int64_t origin_ns) {
  std::string rows;
  for (size_t i = 0; i < results.size(); ++i) {
    const FlashResult& r = results[i];
    char delay[32] = "-1";
    if (r.seen) std::snprintf(delay, sizeof delay, "%.1f", r.DelayMs());
    rows += std::to_string(i + 1) + "," + Ms(r.flip_ns, origin_ns) + "," +
            (r.seen ? Ms(r.first_bright_ns, origin_ns) : "-1") + "," +
            (r.seen ? Ms(r.last_dark_ns, origin_ns) : "-1") + "," + delay + "\r\n";
  }
  return rows;
}

std::string LatencySummaryLine(const LatencySummary& s) {
  char line[192];
  std::snprintf(line, sizeof line,
                "latency: n %d, mean %.1f ms, median %.1f ms, min %.1f ms, sd %.1f ms, missed %d",
                s.seen, s.mean_ms, s.median_ms, s.min_ms, s.sd_ms, s.missed());
  return line;
}

std::string WriteLatencyFile(const std::string& folder, const std::string& name,
                             std::string_view rows, std::string* problem) {
  const std::string path = JoinPath(folder, name);
  const OpenedFolder opened = OpenFolder(folder);
  if (!opened.fd.valid()) {
    *problem = opened.problem;
    return {};
  }
  UniqueFd fd = CreateFileIn(opened.fd.get(), name, O_WRONLY, RunFileAccess());
  if (!fd.valid()) {
    *problem = MessageText(QT_TRANSLATE_NOOP("Message", "%1 を作成できません: %2"),
                           {path, std::strerror(errno)});
    return {};
  }
  if (!WriteAll(fd.get(), kLatencyFileHeader) || !WriteAll(fd.get(), rows) || !SyncFile(fd.get())) {
    *problem = MessageText(QT_TRANSLATE_NOOP("Message", "%1 に書き込めません: %2"),
                           {path, std::strerror(errno)});
    ::unlinkat(opened.fd.get(), name.c_str(), 0);
    return {};
  }
  SyncFolderOrWarn(opened.fd.get(), path);
  return path;
}
