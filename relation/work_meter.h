// A count of the work a run does, in rows built, visited or moved, against an
// optional limit. Program runs set no limit, and then nothing here throws; the
// fuzz harness sets one so that it can skip an input whose rules ask for more
// work than its time limit allows instead of reporting it as a hang.
// This is the one place of the engine that throws on purpose: the limit is
// reached deep inside some operation of some rule, and the only sound answer
// is to drop the whole evaluation at once. An exception does that without
// every operation and layer passing a status up for a case that program runs
// never meet; everything else reports by return values.
#ifndef RELATION_WORK_METER_H_
#define RELATION_WORK_METER_H_

#include <cstddef>
#include <exception>

// What chargeWork throws once a limit is set and used up.
class WorkLimitReached : public std::exception {
 public:
  const char* what() const noexcept override { return "work limit reached"; }
};

namespace workmeter {
inline bool limited = false;
inline std::size_t unitsLeft = 0;
}  // namespace workmeter

// From now on, at most `units` units of work may be charged: a row of n
// values counts n + 1.
inline void limitWork(std::size_t units) {
  workmeter::limited = true;
  workmeter::unitsLeft = units;
}

// No limit any more.
inline void unlimitWork() { workmeter::limited = false; }

// Counts the work of `rows` rows of `rowWidth` values, `times` over; throws
// WorkLimitReached when that is more than a set limit leaves. Called before
// the work, so that what is refused is never started.
inline void chargeWork(std::size_t rows, std::size_t rowWidth, std::size_t times = 1) {
  if (!workmeter::limited) {
    return;
  }
  std::size_t perRow = 0;
  std::size_t perTime = 0;
  std::size_t units = 0;
  if (__builtin_add_overflow(rowWidth, 1, &perRow) ||
      __builtin_mul_overflow(rows, perRow, &perTime) ||
      __builtin_mul_overflow(perTime, times, &units) || units > workmeter::unitsLeft) {
    throw WorkLimitReached();
  }
  workmeter::unitsLeft -= units;
}

#endif  // RELATION_WORK_METER_H_
