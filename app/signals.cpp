#include "app/signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace {

constexpr int guardedSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The file to remove, read by the handler: set and cleared with the signals held.
char pendingName[PATH_MAX + 1];
volatile std::sig_atomic_t pendingNameSet = 0;

void removeAndEnd(int signal) {
  if (pendingNameSet != 0) {
    unlink(pendingName);
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);  // delivered when the handler returns
}

// A closed standard stream opened on `device`.
void reopenIfClosed(int fd, const char* device, int flags) {
  if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
    return;
  }
  const int opened = open(device, flags);
  if (opened >= 0 && opened != fd) {
    dup2(opened, fd);
    close(opened);
  }
}

}  // namespace

void prepareProcess() {
  reopenIfClosed(STDIN_FILENO, "/dev/null", O_RDONLY);
  reopenIfClosed(STDOUT_FILENO, "/dev/full", O_WRONLY);
  reopenIfClosed(STDERR_FILENO, "/dev/full", O_WRONLY);
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  for (const int signal : guardedSignals) {
    struct sigaction previous {};
    if (sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) {
      continue;
    }
    struct sigaction action {};
    action.sa_handler = removeAndEnd;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
  }
}

HeldSignals::HeldSignals() : previous_() {
  sigset_t held;
  sigemptyset(&held);
  for (const int signal : guardedSignals) {
    sigaddset(&held, signal);
  }
  pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

HeldSignals::~HeldSignals() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

void removeOnSignal(const std::string& name) {
  pendingNameSet = 0;
  if (!name.empty() && name.size() < sizeof pendingName) {
    std::memcpy(pendingName, name.c_str(), name.size() + 1);
    pendingNameSet = 1;
  }
}
