/* Loaded into the program with LD_PRELOAD by full_rate_run.sh: notes the
 * CLOCK_MONOTONIC time (ns, one a line) of every buffer swap in the file named
 * by TAVELIN2_PRESENT_LOG, then swaps. It needs nothing from the program, so a
 * build from before any change can be measured the same way. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static int log_fd = -2;

static void note_present(void) {
  if (log_fd == -2) {
    const char* path = getenv("TAVELIN2_PRESENT_LOG");
    log_fd = path ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
  }
  if (log_fd < 0) return;
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  char line[32];
  const int n = snprintf(line, sizeof line, "%lld\n",
                         (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
  if (write(log_fd, line, (size_t)n) < 0) log_fd = -1;
}

void glXSwapBuffers(void* display, unsigned long drawable) {
  static void (*next)(void*, unsigned long);
  if (!next) next = (void (*)(void*, unsigned long))dlsym(RTLD_NEXT, "glXSwapBuffers");
  next(display, drawable);
  note_present();
}

unsigned int eglSwapBuffers(void* display, void* surface) {
  static unsigned int (*next)(void*, void*);
  if (!next) next = (unsigned int (*)(void*, void*))dlsym(RTLD_NEXT, "eglSwapBuffers");
  const unsigned int ok = next(display, surface);
  note_present();
  return ok;
}
