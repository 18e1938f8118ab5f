// The progress line that a long run keeps on a terminal's standard error.
#ifndef APP_PROGRESS_H_
#define APP_PROGRESS_H_

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "eval/evaluation_listener.h"

// The line's text: the phase, what is being evaluated (empty outside the
// evaluation) and the rows the evaluations of the current group gave so far.
std::string progressText(const std::string& phase, const std::string& activity, std::size_t rows);

// One line on standard error, drawn once the run has gone on for a second and
// then redrawn at most ten times a second while it changes, by a thread of
// its own; erased when stopped. Draws nothing, and starts no thread, unless
// `shown`. Listens to the evaluation for the group being evaluated and its rows.
class ProgressLine : public EvaluationListener {
 public:
  explicit ProgressLine(bool shown);
  ~ProgressLine() override;
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  bool shown() const { return worker_.joinable(); }

  void setPhase(std::string phase);
  // The line's Latin-2 text is drawn as UTF-8 from now on; with `utf8Bytes`
  // the names are already UTF-8 bytes, escaped as such.
  void setUtf8(bool utf8, bool utf8Bytes = false);
  void groupBegun(const EvaluationGroup& group) override;
  void evaluationEnded(const Rule& rule, std::size_t rows, double seconds) override;

  // Runs `write`, which writes to standard error, with the line out of its way.
  void around(const std::function<void()>& write);

  // Erases the line and stops drawing.
  void stop();

 private:
  void run();
  void erase();  // with mutex_ held

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::string phase_;
  std::string activity_;
  std::size_t rows_ = 0;
  bool utf8_ = false;
  bool utf8Bytes_ = false;  // the names are UTF-8 bytes as the file holds them
  std::string drawn_;       // the text on the terminal now, as Latin-2
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::thread worker_;
};

#endif  // APP_PROGRESS_H_
