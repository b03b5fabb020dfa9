/* Preloaded into the Wine processes of the Windows test suite. A pseudo-terminal has no modem
 * lines, so the modem-line ioctls fail on it and Wine's WaitCommEvent gives up. For pty slaves
 * this answers TIOCMGET, TIOCMSET, TIOCMBIS and TIOCMBIC instead, and lets a test play the
 * instrument's lines through two small files:
 *   $TARVOLIN_PTY_LINES.in   the input lines (CTS, DSR, CD, RI) the test sets, and
 *   $TARVOLIN_PTY_LINES.out  the output lines (DTR, RTS) the program set,
 * each eight hexadecimal digits of TIOCM_* bits, rewritten in place. Every other call goes to
 * the C library. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

static int out_lines = TIOCM_DTR | TIOCM_RTS;

/* Unix98 pty slaves have majors 136 to 143. */
static int is_pty_slave(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 &&
         major(st.st_rdev) <= 143;
}

static int read_lines(const char* suffix, int fallback) {
  const char* base = getenv("TARVOLIN_PTY_LINES");
  char path[4096];
  char text[9] = {0};
  if (base == NULL || snprintf(path, sizeof path, "%s%s", base, suffix) >= (int)sizeof path)
    return fallback;
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return fallback;
  ssize_t n = pread(fd, text, 8, 0);
  close(fd);
  return n == 8 ? (int)strtol(text, NULL, 16) : fallback;
}

static void write_lines(const char* suffix, int lines) {
  const char* base = getenv("TARVOLIN_PTY_LINES");
  char path[4096];
  char text[16];
  if (base == NULL || snprintf(path, sizeof path, "%s%s", base, suffix) >= (int)sizeof path)
    return;
  int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  snprintf(text, sizeof text, "%08x", (unsigned)lines);
  if (pwrite(fd, text, 8, 0) != 8) { /* the test then sees the old value */
  }
  close(fd);
}

int ioctl(int fd, unsigned long request, ...) {
  static int (*real_ioctl)(int, unsigned long, ...);
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  if (real_ioctl == NULL) real_ioctl = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");

  if ((request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS ||
       request == TIOCMBIC) &&
      is_pty_slave(fd)) {
    const int outputs = TIOCM_DTR | TIOCM_RTS;
    const int inputs = TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RI;
    int* bits = (int*)arg;
    if (request == TIOCMGET) {
      *bits = (out_lines & outputs) | (read_lines(".in", 0) & inputs);
      return 0;
    }
    if (request == TIOCMSET) out_lines = *bits & outputs;
    if (request == TIOCMBIS) out_lines |= *bits & outputs;
    if (request == TIOCMBIC) out_lines &= ~(*bits & outputs);
    write_lines(".out", out_lines);
    return 0;
  }
  return real_ioctl(fd, request, arg);
}
