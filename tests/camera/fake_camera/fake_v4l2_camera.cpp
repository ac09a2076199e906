// A fake UVC camera for the tests: V4L2 devices that exist only in this
// library, served to the program through its own libc calls. Link it into a
// test (it then comes before libc in the symbol search) or preload it into the
// program (LD_PRELOAD; under AddressSanitizer after libasan.so). Every call on
// anything but a fake device goes straight on to the next library.
//
// The devices are described by the script file named in T2_FAKE_CAMERA_SCRIPT
// (read again whenever it changes), one "key value..." a line, '#' comments:
//
//   camera /dev/video60          a device at this path; the lines below are its own
//   card Fake Camera             VIDIOC_QUERYCAP card, bus_info, driver
//   bus usb-0000:00:14.0-1
//   driver uvcvideo
//   mode MJPG 1280 720 30 15     a format, size and the frame rates it offers
//   grant 640 480 15             S_FMT / S_PARM grant this size and rate whatever is asked
//   frames FILE                  MJPEG pictures (concatenated JPEG files), served in a loop;
//                                YUYV pictures are a grey ramp
//   timestamps CLOCK SOURCE      CLOCK: monotonic, unknown (wall clock), stale (monotonic,
//                                5 s old), backwards (monotonic, every third picture
//                                stamped before the one before it); SOURCE: eof or soe
//   busy                         another program streams: S_FMT and REQBUFS give EBUSY
//   unplug_when FILE             unplugged as soon as FILE exists (a test's cue mid-run)
//   fault N KIND [COUNT]         at the N-th picture (from 0): unplug (ENODEV from then on,
//                                poll POLLERR), silence (nothing from then on), eio (DQBUF
//                                EIO once, the picture lost), eagain (COUNT DQBUFs give
//                                EAGAIN though poll said ready), empty (bytesused 0),
//                                truncate (the JPEG's first half), corrupt (the JPEG's
//                                headers overwritten), error_flag (V4L2_BUF_FLAG_ERROR)
//
// Buffers are a memfd: the program's mmap and munmap of them are the
// kernel's own, the fake only writes pictures into them.

#include <dlfcn.h>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Mode {
  uint32_t fourcc = 0;
  uint32_t width = 0, height = 0;
  std::vector<uint32_t> fps;
};

struct Fault {
  uint64_t at = 0;
  std::string kind;
  int count = 1;
};

struct Camera {
  std::string path, card = "Fake Camera", bus = "usb-fake", driver = "uvcvideo";
  std::vector<Mode> modes;
  uint32_t grant_width = 0, grant_height = 0, grant_fps = 0;
  std::vector<std::vector<uint8_t>> jpegs;
  std::string clock = "monotonic", source = "eof";
  bool busy = false;
  std::string unplug_when;
  std::vector<Fault> faults;
};

struct Device {
  int fd = -1;  // a memfd holding the buffers
  Camera camera;
  uint32_t fourcc = 0, width = 0, height = 0, fps = 30;
  uint32_t buffer_count = 0;
  size_t buffer_size = 0;
  uint8_t* memory = nullptr;  // our own mapping of the memfd
  std::deque<uint32_t> queued;
  bool streaming = false, gone = false, silent = false;
  int64_t start_ns = 0;
  uint64_t next = 0;  // the next picture to serve
  int eagain_left = 0;
  int64_t last_stamp_ns = 0;
};

// Built on first use: other libraries' constructors call stat and open
// before this library's own globals would be.
struct State {
  std::recursive_mutex mutex;  // recursive: reading the script goes through read and close
  std::map<int, std::unique_ptr<Device>> devices;  // by file descriptor
  std::string script_key;                         // path, time and size of the script read
  std::vector<Camera> cameras;
};
State& state() {
  static State* s = new State;  // never destroyed: calls may come during exit
  return *s;
}

template <class F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

int64_t NowNs(clockid_t clock = CLOCK_MONOTONIC) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

uint32_t FourCc(const std::string& s) {
  return s.size() == 4 ? v4l2_fourcc(s[0], s[1], s[2], s[3]) : 0;
}

// JPEG pictures one after the other, each from its SOI to its EOI.
std::vector<std::vector<uint8_t>> SplitJpegs(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> all{std::istreambuf_iterator<char>(in), {}};
  std::vector<std::vector<uint8_t>> pictures;
  size_t begin = 0;
  for (size_t i = 0; i + 1 < all.size(); ++i) {
    if (all[i] == 0xFF && all[i + 1] == 0xD9) {
      pictures.emplace_back(all.begin() + long(begin), all.begin() + long(i + 2));
      begin = i + 2;
      ++i;
    }
  }
  return pictures;
}

// Reads the script again when it changed. Called with the mutex held.
void LoadScript() {
  const char* path = std::getenv("T2_FAKE_CAMERA_SCRIPT");
  struct stat st {};
  static auto real_stat = Next<int (*)(const char*, struct stat*)>("stat");
  if (!path || real_stat(path, &st) != 0) {
    state().cameras.clear();
    state().script_key.clear();
    return;
  }
  const std::string key = std::string(path) + "@" + std::to_string(st.st_mtim.tv_sec) + "." +
                          std::to_string(st.st_mtim.tv_nsec) + "/" + std::to_string(st.st_size);
  if (key == state().script_key) return;
  state().script_key = key;
  state().cameras.clear();
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::string word;
    if (!(words >> word)) continue;
    std::string rest;
    std::getline(words >> std::ws, rest);
    if (word == "camera") {
      state().cameras.emplace_back();
      state().cameras.back().path = rest;
      continue;
    }
    if (state().cameras.empty()) continue;
    Camera& c = state().cameras.back();
    std::istringstream values(rest);
    if (word == "card") c.card = rest;
    else if (word == "bus") c.bus = rest;
    else if (word == "driver") c.driver = rest;
    else if (word == "busy") c.busy = true;
    else if (word == "unplug_when") c.unplug_when = rest;
    else if (word == "frames") c.jpegs = SplitJpegs(rest);
    else if (word == "timestamps") values >> c.clock >> c.source;
    else if (word == "grant") values >> c.grant_width >> c.grant_height >> c.grant_fps;
    else if (word == "mode") {
      Mode m;
      std::string fourcc;
      values >> fourcc >> m.width >> m.height;
      m.fourcc = FourCc(fourcc);
      for (uint32_t f; values >> f;) m.fps.push_back(f);
      c.modes.push_back(m);
    } else if (word == "fault") {
      Fault f;
      values >> f.at >> f.kind;
      values >> f.count;
      c.faults.push_back(f);
    }
  }
}

const Camera* FindCamera(const char* path) {
  if (!path) return nullptr;
  LoadScript();
  for (const Camera& c : state().cameras)
    if (c.path == path) return &c;
  return nullptr;
}

Device* FindDevice(int fd) {
  const auto it = state().devices.find(fd);
  return it == state().devices.end() ? nullptr : it->second.get();
}

int Fail(int error) {
  errno = error;
  return -1;
}

const Fault* FaultAt(const Device& d, uint64_t picture, const char* kind) {
  for (const Fault& f : d.camera.faults)
    if (f.at == picture && f.kind == kind) return &f;
  return nullptr;
}

int64_t PeriodNs(const Device& d) {
  return 1000000000LL / std::max<uint32_t>(d.fps, 1);
}
// When picture k has been read out of the sensor.
int64_t DueNs(const Device& d, uint64_t k) {
  return d.start_ns + int64_t(k + 1) * PeriodNs(d);
}

// The mode the camera offers closest to the size asked for, in `fourcc`
// (the first mode's format when it offers no such format).
const Mode* Nearest(const Camera& c, uint32_t fourcc, uint32_t width, uint32_t height) {
  const bool offered = std::any_of(c.modes.begin(), c.modes.end(),
                                   [&](const Mode& m) { return m.fourcc == fourcc; });
  if (!offered && !c.modes.empty()) fourcc = c.modes.front().fourcc;
  const Mode* best = nullptr;
  int64_t best_distance = 0;
  for (const Mode& m : c.modes) {
    if (m.fourcc != fourcc) continue;
    const int64_t distance = std::llabs(int64_t(m.width) * m.height - int64_t(width) * height);
    if (!best || distance < best_distance) best = &m, best_distance = distance;
  }
  return best;
}

void FillFormat(const Device& d, v4l2_pix_format* pix) {
  pix->width = d.width;
  pix->height = d.height;
  pix->pixelformat = d.fourcc;
  pix->field = V4L2_FIELD_NONE;
  pix->bytesperline = d.fourcc == V4L2_PIX_FMT_YUYV ? d.width * 2 : 0;
  pix->sizeimage = d.width * d.height * 2;
  pix->colorspace = V4L2_COLORSPACE_SRGB;
}

int SetFormat(Device& d, v4l2_format* f) {
  if (f->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return Fail(EINVAL);
  if (d.camera.busy) return Fail(EBUSY);
  const Mode* m = Nearest(d.camera, f->fmt.pix.pixelformat, f->fmt.pix.width, f->fmt.pix.height);
  if (!m) return Fail(EINVAL);
  d.fourcc = m->fourcc;
  d.width = d.camera.grant_width ? d.camera.grant_width : m->width;
  d.height = d.camera.grant_height ? d.camera.grant_height : m->height;
  d.fps = m->fps.empty() ? 30 : m->fps.front();
  FillFormat(d, &f->fmt.pix);
  return 0;
}

int SetRate(Device& d, v4l2_streamparm* p) {
  if (p->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return Fail(EINVAL);
  const v4l2_fract asked = p->parm.capture.timeperframe;
  const double want = asked.numerator ? double(asked.denominator) / asked.numerator : 30;
  const Mode* m = Nearest(d.camera, d.fourcc, d.width, d.height);
  // The fastest rate offered up to the one asked for, else the slowest.
  uint32_t granted = 0;
  if (m)
    for (uint32_t f : m->fps)
      if (f <= want + 1e-6 && f > granted) granted = f;
  if (!granted && m && !m->fps.empty()) granted = *std::min_element(m->fps.begin(), m->fps.end());
  if (d.camera.grant_fps) granted = d.camera.grant_fps;
  d.fps = granted ? granted : 30;
  p->parm.capture = {};
  p->parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
  p->parm.capture.timeperframe = {1, d.fps};
  return 0;
}

int RequestBuffers(Device& d, v4l2_requestbuffers* r) {
  if (r->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || r->memory != V4L2_MEMORY_MMAP)
    return Fail(EINVAL);
  if (d.camera.busy) return Fail(EBUSY);
  if (d.memory) munmap(d.memory, d.buffer_count * d.buffer_size);
  d.memory = nullptr;
  d.queued.clear();
  d.buffer_count = r->count == 0 ? 0 : std::clamp<uint32_t>(r->count, 2, 8);
  const size_t page = size_t(sysconf(_SC_PAGESIZE));
  d.buffer_size = (size_t(d.width) * d.height * 2 + page - 1) / page * page;
  r->count = d.buffer_count;
  if (!d.buffer_count) return 0;
  // The descriptor handed out is the memfd itself: mmap on it needs no help.
  if (ftruncate(d.fd, off_t(d.buffer_count * d.buffer_size)) != 0) return -1;
  void* memory =
      mmap(nullptr, d.buffer_count * d.buffer_size, PROT_READ | PROT_WRITE, MAP_SHARED, d.fd, 0);
  if (memory == MAP_FAILED) return -1;
  d.memory = static_cast<uint8_t*>(memory);
  return 0;
}

void DescribeBuffer(const Device& d, uint32_t index, v4l2_buffer* b) {
  b->type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  b->memory = V4L2_MEMORY_MMAP;
  b->index = index;
  b->length = uint32_t(d.buffer_size);
  b->m.offset = uint32_t(index * d.buffer_size);
  b->flags = V4L2_BUF_FLAG_MAPPED;
}

// Writes picture k into buffer `index`; the bytes used.
uint32_t Paint(Device& d, uint64_t k, uint32_t index) {
  uint8_t* out = d.memory + index * d.buffer_size;
  if (d.fourcc == V4L2_PIX_FMT_YUYV) {
    for (uint32_t y = 0; y < d.height; ++y)
      for (uint32_t x = 0; x < d.width; ++x) {
        uint8_t* p = out + (size_t(y) * d.width + x) * 2;
        p[0] = uint8_t((x + y + k) & 0xFF);
        p[1] = 128;
      }
    return d.width * d.height * 2;
  }
  if (d.camera.jpegs.empty()) return 0;
  std::vector<uint8_t> jpeg = d.camera.jpegs[k % d.camera.jpegs.size()];
  if (FaultAt(d, k, "truncate")) jpeg.resize(jpeg.size() / 2);
  if (FaultAt(d, k, "corrupt"))
    std::fill(jpeg.begin() + 2, jpeg.begin() + long(std::min<size_t>(jpeg.size() - 2, 600)), 0x5A);
  const size_t n = std::min(jpeg.size(), d.buffer_size);
  std::memcpy(out, jpeg.data(), n);
  return uint32_t(n);
}

// The test's cue to unplug the camera has come.
bool CueToUnplug(const Device& d) {
  return !d.camera.unplug_when.empty() && access(d.camera.unplug_when.c_str(), F_OK) == 0;
}

int Dequeue(Device& d, v4l2_buffer* b) {
  if (CueToUnplug(d)) d.gone = true;
  if (d.gone) return Fail(ENODEV);
  if (!d.streaming) return Fail(EINVAL);
  if (d.eagain_left > 0) {
    --d.eagain_left;
    return Fail(EAGAIN);
  }
  const int64_t now = NowNs();
  if (d.silent || d.queued.empty() || DueNs(d, d.next) > now) return Fail(EAGAIN);
  // Pictures that came while every buffer was full were lost, as in a driver.
  const uint64_t latest = uint64_t((now - d.start_ns) / PeriodNs(d)) - 1;
  if (latest >= d.next + d.buffer_count) d.next = latest + 1 - d.buffer_count;
  const uint64_t k = d.next;
  if (FaultAt(d, k, "unplug")) {
    d.gone = true;
    return Fail(ENODEV);
  }
  if (FaultAt(d, k, "silence")) {
    d.silent = true;
    return Fail(EAGAIN);
  }
  if (const Fault* f = FaultAt(d, k, "eagain"); f && d.eagain_left == 0 && f->count > 0) {
    d.eagain_left = f->count - 1;
    const_cast<Fault*>(f)->count = 0;  // once
    return Fail(EAGAIN);
  }
  ++d.next;
  if (FaultAt(d, k, "eio")) return Fail(EIO);
  const uint32_t index = d.queued.front();
  d.queued.pop_front();
  DescribeBuffer(d, index, b);
  b->bytesused = FaultAt(d, k, "empty") ? 0 : Paint(d, k, index);
  b->sequence = uint32_t(k);
  b->field = V4L2_FIELD_NONE;
  b->flags |= V4L2_BUF_FLAG_DONE;
  if (FaultAt(d, k, "error_flag")) b->flags |= V4L2_BUF_FLAG_ERROR;
  b->flags |= d.camera.source == "soe" ? V4L2_BUF_FLAG_TSTAMP_SRC_SOE : V4L2_BUF_FLAG_TSTAMP_SRC_EOF;
  int64_t stamp = DueNs(d, k) - (d.camera.source == "soe" ? PeriodNs(d) * 3 / 4 : 0);
  if (d.camera.clock == "unknown") {
    b->flags |= V4L2_BUF_FLAG_TIMESTAMP_UNKNOWN;
    stamp += NowNs(CLOCK_REALTIME) - now;
  } else {
    b->flags |= V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
    if (d.camera.clock == "stale") stamp -= 5000000000LL;
    if (d.camera.clock == "backwards" && k % 3 == 2) stamp = d.last_stamp_ns - PeriodNs(d);
  }
  d.last_stamp_ns = stamp;
  b->timestamp = {time_t(stamp / 1000000000), suseconds_t(stamp % 1000000000 / 1000)};
  return 0;
}

int Control(Device& d, unsigned long request, void* arg) {
  switch (request) {
    case VIDIOC_QUERYCAP: {
      auto* cap = static_cast<v4l2_capability*>(arg);
      *cap = {};
      std::strncpy(reinterpret_cast<char*>(cap->driver), d.camera.driver.c_str(),
                   sizeof cap->driver - 1);
      std::strncpy(reinterpret_cast<char*>(cap->card), d.camera.card.c_str(),
                   sizeof cap->card - 1);
      std::strncpy(reinterpret_cast<char*>(cap->bus_info), d.camera.bus.c_str(),
                   sizeof cap->bus_info - 1);
      cap->version = (6u << 16) | (1u << 8);
      cap->device_caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
      cap->capabilities = cap->device_caps | V4L2_CAP_DEVICE_CAPS;
      return 0;
    }
    case VIDIOC_ENUM_FMT: {
      auto* f = static_cast<v4l2_fmtdesc*>(arg);
      std::vector<uint32_t> formats;
      for (const Mode& m : d.camera.modes)
        if (std::find(formats.begin(), formats.end(), m.fourcc) == formats.end())
          formats.push_back(m.fourcc);
      if (f->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || f->index >= formats.size())
        return Fail(EINVAL);
      f->pixelformat = formats[f->index];
      f->flags = f->pixelformat == V4L2_PIX_FMT_MJPEG ? V4L2_FMT_FLAG_COMPRESSED : 0;
      std::snprintf(reinterpret_cast<char*>(f->description), sizeof f->description, "%s",
                    f->pixelformat == V4L2_PIX_FMT_MJPEG ? "Motion-JPEG" : "YUYV 4:2:2");
      return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
      auto* s = static_cast<v4l2_frmsizeenum*>(arg);
      uint32_t seen = 0;
      for (const Mode& m : d.camera.modes)
        if (m.fourcc == s->pixel_format && seen++ == s->index) {
          s->type = V4L2_FRMSIZE_TYPE_DISCRETE;
          s->discrete = {m.width, m.height};
          return 0;
        }
      return Fail(EINVAL);
    }
    case VIDIOC_ENUM_FRAMEINTERVALS: {
      auto* i = static_cast<v4l2_frmivalenum*>(arg);
      for (const Mode& m : d.camera.modes)
        if (m.fourcc == i->pixel_format && m.width == i->width && m.height == i->height) {
          if (i->index >= m.fps.size()) return Fail(EINVAL);
          i->type = V4L2_FRMIVAL_TYPE_DISCRETE;
          i->discrete = {1, m.fps[i->index]};
          return 0;
        }
      return Fail(EINVAL);
    }
    case VIDIOC_G_FMT: {
      auto* f = static_cast<v4l2_format*>(arg);
      if (f->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return Fail(EINVAL);
      FillFormat(d, &f->fmt.pix);
      return 0;
    }
    case VIDIOC_S_FMT:
      return SetFormat(d, static_cast<v4l2_format*>(arg));
    case VIDIOC_S_PARM:
      return SetRate(d, static_cast<v4l2_streamparm*>(arg));
    case VIDIOC_G_PARM: {
      auto* p = static_cast<v4l2_streamparm*>(arg);
      p->parm.capture = {};
      p->parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
      p->parm.capture.timeperframe = {1, d.fps};
      return 0;
    }
    case VIDIOC_REQBUFS:
      return RequestBuffers(d, static_cast<v4l2_requestbuffers*>(arg));
    case VIDIOC_QUERYBUF: {
      auto* b = static_cast<v4l2_buffer*>(arg);
      if (b->index >= d.buffer_count) return Fail(EINVAL);
      DescribeBuffer(d, b->index, b);
      return 0;
    }
    case VIDIOC_QBUF: {
      auto* b = static_cast<v4l2_buffer*>(arg);
      if (d.gone) return Fail(ENODEV);
      if (b->index >= d.buffer_count) return Fail(EINVAL);
      d.queued.push_back(b->index);
      return 0;
    }
    case VIDIOC_DQBUF:
      return Dequeue(d, static_cast<v4l2_buffer*>(arg));
    case VIDIOC_STREAMON:
      if (d.gone) return Fail(ENODEV);
      d.streaming = true;
      d.start_ns = NowNs();
      d.next = 0;
      return 0;
    case VIDIOC_STREAMOFF:
      d.streaming = false;
      d.queued.clear();
      return 0;
    default:
      return Fail(ENOTTY);
  }
}

int OpenFake(const Camera& camera) {
  const int fd = memfd_create("fake-camera", MFD_CLOEXEC);
  if (fd < 0) return -1;
  auto device = std::make_unique<Device>();
  device->fd = fd;
  device->camera = camera;
  state().devices[fd] = std::move(device);
  return fd;
}

// poll() on one fake device: ready when a picture is due into a queued
// buffer, POLLERR once unplugged.
int PollFake(Device& d, pollfd* p, int timeout_ms, std::unique_lock<std::recursive_mutex>& lock) {
  const int64_t end = timeout_ms < 0 ? INT64_MAX : NowNs() + int64_t(timeout_ms) * 1000000;
  for (;;) {
    p->revents = 0;
    if (CueToUnplug(d)) d.gone = true;
    if (d.gone) p->revents = POLLERR;
    else if (d.eagain_left > 0) p->revents = POLLIN;
    else if (d.streaming && !d.silent && !d.queued.empty()) {
      if (FaultAt(d, d.next, "unplug") && DueNs(d, d.next) <= NowNs()) {
        d.gone = true;
        continue;
      }
      if (DueNs(d, d.next) <= NowNs()) p->revents = POLLIN;
    }
    if (p->revents) return 1;
    const int64_t now = NowNs();
    if (now >= end) return 0;
    int64_t wake = end;
    if (d.streaming && !d.silent && !d.queued.empty()) wake = std::min(wake, DueNs(d, d.next));
    lock.unlock();
    const int64_t nap = std::clamp<int64_t>(wake - now, 0, 5000000);
    timespec ts{0, long(nap)};
    nanosleep(&ts, nullptr);
    lock.lock();
    if (!FindDevice(p->fd)) return Fail(EBADF);
  }
}

}  // namespace

extern "C" {

// The mode argument is there only with O_CREAT or O_TMPFILE.
#define T2_OPEN_MODE(last, flags)            \
  mode_t mode = 0;                          \
  if ((flags) & (O_CREAT | O_TMPFILE)) {    \
    va_list args;                           \
    va_start(args, last);                   \
    mode = va_arg(args, mode_t);            \
    va_end(args);                           \
  }

}  // extern "C"

namespace {
template <class Real>
int OpenPath(const char* path, Real real) {
  {
    std::lock_guard<std::recursive_mutex> guard(state().mutex);
    if (const Camera* c = FindCamera(path)) return OpenFake(*c);
  }
  return real();
}
}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  T2_OPEN_MODE(flags, flags);
  static auto real = Next<int (*)(const char*, int, ...)>("open");
  return OpenPath(path, [&] { return real(path, flags, mode); });
}

int open64(const char* path, int flags, ...) {
  T2_OPEN_MODE(flags, flags);
  static auto real = Next<int (*)(const char*, int, ...)>("open64");
  return OpenPath(path, [&] { return real(path, flags, mode); });
}

int openat(int dir, const char* path, int flags, ...) {
  T2_OPEN_MODE(flags, flags);
  static auto real = Next<int (*)(int, const char*, int, ...)>("openat");
  return OpenPath(path, [&] { return real(dir, path, flags, mode); });
}

int stat(const char* path, struct stat* st) {
  {
    std::lock_guard<std::recursive_mutex> guard(state().mutex);
    if (FindCamera(path)) {
      *st = {};
      st->st_mode = S_IFCHR | 0660;
      st->st_rdev = makedev(81, 60);
      return 0;
    }
  }
  static auto real = Next<int (*)(const char*, struct stat*)>("stat");
  return real(path, st);
}

int ioctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  {
    std::lock_guard<std::recursive_mutex> guard(state().mutex);
    if (Device* d = FindDevice(fd)) return Control(*d, request, arg);
  }
  static auto real = Next<int (*)(int, unsigned long, ...)>("ioctl");
  return real(fd, request, arg);
}

int poll(pollfd* fds, nfds_t n, int timeout_ms) {
  if (n == 1) {
    std::unique_lock<std::recursive_mutex> lock(state().mutex);
    if (Device* d = FindDevice(fds[0].fd)) return PollFake(*d, &fds[0], timeout_ms, lock);
  }
  static auto real = Next<int (*)(pollfd*, nfds_t, int)>("poll");
  return real(fds, n, timeout_ms);
}

int ppoll(pollfd* fds, nfds_t n, const timespec* timeout, const sigset_t* mask) {
  if (n == 1) {
    std::unique_lock<std::recursive_mutex> lock(state().mutex);
    if (Device* d = FindDevice(fds[0].fd)) {
      const int ms = timeout ? int(timeout->tv_sec * 1000 + timeout->tv_nsec / 1000000) : -1;
      return PollFake(*d, &fds[0], ms, lock);
    }
  }
  static auto real =
      Next<int (*)(pollfd*, nfds_t, const timespec*, const sigset_t*)>("ppoll");
  return real(fds, n, timeout, mask);
}

ssize_t read(int fd, void* data, size_t size) {
  {
    std::lock_guard<std::recursive_mutex> guard(state().mutex);
    if (FindDevice(fd)) return Fail(EINVAL);  // no read() I/O: streaming only, as uvcvideo
  }
  static auto real = Next<ssize_t (*)(int, void*, size_t)>("read");
  return real(fd, data, size);
}

int close(int fd) {
  {
    std::lock_guard<std::recursive_mutex> guard(state().mutex);
    if (Device* d = FindDevice(fd)) {
      if (d->memory) munmap(d->memory, d->buffer_count * d->buffer_size);
      state().devices.erase(fd);
    }
  }
  static auto real = Next<int (*)(int)>("close");
  return real(fd);
}

}  // extern "C"
