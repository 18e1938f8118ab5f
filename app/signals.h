// How the process meets signals and closed standard streams while it writes.
#ifndef APP_SIGNALS_H_
#define APP_SIGNALS_H_

#include <csignal>
#include <string>

// Makes the process fit for writing files and pipes that may fail: a broken
// pipe or a file grown too large is a write error (SIGPIPE and SIGXFSZ are
// ignored), and TERM, INT and HUP remove the file named by removeOnSignal
// before the process ends by the signal as it would have (a signal ignored
// from the start stays ignored). A standard stream that is closed is opened on
// a device (/dev/null to read, /dev/full to write), so that no file of the run
// takes its number and writing there fails as it would have.
void prepareProcess();

// While one lives, TERM, INT and HUP wait in the thread that made it, and in
// the threads that thread starts meanwhile (for good).
class HeldSignals {
 public:
  HeldSignals();
  ~HeldSignals();
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;

 private:
  sigset_t previous_;
};

// The file that TERM, INT or HUP removes; an empty name, none. Call it while
// the signals are held, together with making or removing the file.
void removeOnSignal(const std::string& name);

#endif  // APP_SIGNALS_H_
