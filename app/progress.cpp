#include "app/progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <iostream>

#include "app/console_text.h"
#include "app/signals.h"
#include "app/trace_report.h"
#include "input/encoding.h"

namespace {

constexpr auto firstDrawAfter = std::chrono::seconds(1);
constexpr auto redrawEvery = std::chrono::milliseconds(100);

// Columns the line may take: one less than the terminal's, so that it never wraps.
std::size_t lineWidth() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1) {
    return size.ws_col - 1U;
  }
  return 79;
}

void writeError(const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t step = ::write(STDERR_FILENO, text.data() + written, text.size() - written);
    if (step <= 0) {
      return;
    }
    written += static_cast<std::size_t>(step);
  }
}

}  // namespace

std::string progressText(const std::string& phase, const std::string& activity, std::size_t rows) {
  std::string text = "levezet: " + phase;
  if (!activity.empty()) {
    text += ", " + activity + ", eddig " + std::to_string(rows) + " sort adott";
  }
  return text;
}

ProgressLine::ProgressLine(bool shown) {
  if (shown) {
    // The signals that remove a temporary output file reach the thread that makes it.
    const HeldSignals held;
    worker_ = std::thread([this] { run(); });
  }
}

ProgressLine::~ProgressLine() { stop(); }

void ProgressLine::setPhase(std::string phase) {
  const std::lock_guard<std::mutex> lock(mutex_);
  phase_ = std::move(phase);
  activity_.clear();
}

void ProgressLine::setUtf8(bool utf8, bool utf8Bytes) {
  const std::lock_guard<std::mutex> lock(mutex_);
  utf8_ = utf8;
  utf8Bytes_ = utf8Bytes;
}

void ProgressLine::groupBegun(const EvaluationGroup& group) {
  const std::lock_guard<std::mutex> lock(mutex_);
  activity_ = std::string(group.recursive ? recursiveGroupLabel : "szabalyok: ") +
              escapedControlBytes(joinedNames(group.members), utf8Bytes_);
  rows_ = 0;
}

void ProgressLine::evaluationEnded(const Rule& /*rule*/, std::size_t rows, double /*seconds*/) {
  const std::lock_guard<std::mutex> lock(mutex_);
  rows_ += rows;
}

void ProgressLine::around(const std::function<void()>& write) {
  const std::lock_guard<std::mutex> lock(mutex_);
  erase();
  write();
  std::cerr.flush();
}

void ProgressLine::stop() {
  if (!worker_.joinable()) {
    return;
  }
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  worker_.join();
  const std::lock_guard<std::mutex> lock(mutex_);
  erase();
}

void ProgressLine::run() {
  const std::size_t width = lineWidth();
  std::unique_lock<std::mutex> lock(mutex_);
  while (!wake_.wait_for(lock, redrawEvery, [this] { return stopping_; })) {
    if (std::chrono::steady_clock::now() - start_ < firstDrawAfter) {
      continue;
    }
    std::string text = progressText(phase_, activity_, rows_).substr(0, width);
    if (text != drawn_) {
      const std::size_t left = drawn_.size() > text.size() ? drawn_.size() - text.size() : 0;
      writeError('\r' + (utf8_ ? utf8FromLatin2(text) : text) + std::string(left, ' ') +
                 std::string(left, '\b'));
      drawn_ = std::move(text);
    }
  }
}

void ProgressLine::erase() {
  if (!drawn_.empty()) {
    writeError('\r' + std::string(drawn_.size(), ' ') + '\r');
    drawn_.clear();
  }
}
