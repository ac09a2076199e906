#include "app/signal_stop.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

std::atomic<int> signals_seen{0};
std::atomic<bool> stop_requested{false};
int pipe_fds[2] = {-1, -1};

// Async-signal-safe only: atomics, write, signal, raise.
void OnStopSignal(int signal_number) {
  if (signals_seen.fetch_add(1) > 0) {
    // The second signal: no more waiting for the run to end.
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);
    return;
  }
  stop_requested.store(true);
  const int saved_errno = errno;
  const unsigned char byte = static_cast<unsigned char>(signal_number);
  [[maybe_unused]] const ssize_t written = ::write(pipe_fds[1], &byte, 1);
  errno = saved_errno;
}

// On the UI thread, when the handler's byte arrives.
void OnStopByte(int fd) {
  unsigned char byte = 0;
  if (::read(fd, &byte, 1) != 1) return;
  std::fprintf(stderr, "tavelin2: %s received; ending the run and saving the settings\n",
               strsignal(byte));
  // Every event loop ends, modal boxes included; the trial loop does not run
  // in one, so a run in progress ends on its own at its next pass (as on Esc),
  // writes its files, and the main loop returns after it.
  QCoreApplication::exit(0);
}

}  // namespace

void InstallSignalStop() {
  if (pipe_fds[0] >= 0) return;
  if (::pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::fprintf(stderr, "tavelin2: no graceful stop on signals: pipe: %s\n", strerror(errno));
    return;
  }
  auto* notifier =
      new QSocketNotifier(pipe_fds[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                   [](QSocketDescriptor fd) { OnStopByte(static_cast<int>(fd)); });
  struct sigaction action {};
  action.sa_handler = &OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal_number : kStopSignals) sigaction(signal_number, &action, nullptr);
}

bool StopRequested() {
  return stop_requested.load();
}

void SetStopRequestedForTesting(bool requested) {
  stop_requested.store(requested);
}
