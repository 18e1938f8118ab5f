#include "app/memory_run.h"

#include <algorithm>
#include <new>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>

#include "relation/value.h"
#include "relation/work_meter.h"

namespace {

constexpr const char* workLimitMessage = "Elfogyott a munkakeret!! ";

// Reads bytes that the caller keeps, without copying them.
class ViewBuffer : public std::streambuf {
 public:
  explicit ViewBuffer(std::string_view bytes) {
    // The get area is only read, never written through.
    char* begin = const_cast<char*>(bytes.data());
    setg(begin, begin, begin + bytes.size());
  }
};

// Keeps the first `limit` bytes written (all of them for a limit of 0) and
// counts the others.
class CappedText : public std::streambuf {
 public:
  explicit CappedText(std::size_t limit) : limit_(limit) {}

  std::string& text() { return text_; }
  std::uint64_t cut() const { return cut_; }

 protected:
  std::streamsize xsputn(const char* bytes, std::streamsize count) override {
    const auto size = static_cast<std::size_t>(count);
    const std::size_t room = limit_ == 0 ? size : limit_ - std::min(limit_, text_.size());
    const std::size_t kept = std::min(room, size);
    text_.append(bytes, kept);
    cut_ += size - kept;
    return count;
  }

  int overflow(int byte) override {
    if (!traits_type::eq_int_type(byte, traits_type::eof())) {
      const char single = traits_type::to_char_type(byte);
      xsputn(&single, 1);
    }
    return traits_type::not_eof(byte);
  }

 private:
  std::size_t limit_;
  std::string text_;
  std::uint64_t cut_ = 0;
};

// Clears the value pool and the work limit when a run ends, however it ends.
class RunScope {
 public:
  explicit RunScope(std::size_t workLimit) {
    clearValuePool();
    if (workLimit > 0) {
      limitWork(workLimit);
    }
  }
  ~RunScope() {
    unlimitWork();
    clearValuePool();
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;
};

}  // namespace

MemoryRun runInMemory(std::string_view input, const RunSettings& settings, std::size_t workLimit,
                      bool reportsAsData, std::size_t textLimit) {
  MemoryRun run;
  CappedText outText(textLimit);
  CappedText errText(textLimit);
  std::ostream standardOutput(&outText);
  std::ostream standardError(&errText);
  std::ostringstream data;
  RunPhase phase = RunPhase::reading;
  try {
    const RunScope scope(workLimit);
    ViewBuffer bytes(input);
    std::istream in(&bytes);
    std::ostringstream output;
    // With streams in memory, a failed read or write is memory running out.
    if (evaluateProgram(in, output, &phase, settings,
                        {&standardOutput, &standardError, reportsAsData ? &data : nullptr})) {
      run.output = output.str();
    } else {
      run.status = MemoryRunStatus::outOfMemory;
    }
  } catch (const WorkLimitReached&) {
    run.status = MemoryRunStatus::workLimitReached;
  } catch (const std::bad_alloc&) {
    run.status = MemoryRunStatus::outOfMemory;
  } catch (const std::length_error&) {  // a size beyond what can be asked for
    run.status = MemoryRunStatus::outOfMemory;
  }
  run.standardOutput = std::move(outText.text());
  run.standardError = std::move(errText.text());
  run.standardOutputCut = outText.cut();
  run.standardErrorCut = errText.cut();
  if (run.status != MemoryRunStatus::completed) {
    run.output.clear();
    run.standardError +=
        run.status == MemoryRunStatus::outOfMemory ? outOfMemoryMessage : workLimitMessage;
    run.standardError += activityText(phase);
  }
  if (run.status == MemoryRunStatus::completed) {
    run.data = data.str();
  }
  return run;
}
