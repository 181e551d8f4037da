// When a renderer shows a timed sample: the decision against the stream clock, and the quality
// figures a renderer reports (frames drawn and dropped, frame rate, jitter, sync offset).
// Times are in 100 ns units, stream time (reference clock minus the run's start time).
#pragma once

#include <cstdint>
#include <optional>

namespace tl::dshow {

using RefTime = int64_t;
inline constexpr RefTime kMillisecond = 10000;
inline constexpr RefTime kSecond = 1000 * kMillisecond;

struct SampleTimes {
  std::optional<RefTime> start;
  std::optional<RefTime> stop;
};

enum class Action {
  kRenderNow,  // due (or late but still worth showing)
  kWait,       // early: wait until `waitUntil`, then decide again
  kDrop,       // its slot has passed: showing it would only delay the next one
};

struct Decision {
  Action action = Action::kRenderNow;
  RefTime waitUntil = 0;  // stream time, for kWait
  RefTime lateness = 0;   // now - start (negative when early); 0 without times
};

// Decides per sample. One per input pin; not thread-safe.
class RenderScheduler {
 public:
  // A sample due within this much is drawn at once rather than waited for.
  static constexpr RefTime kEarlyTolerance = 2 * kMillisecond;
  // Slot of a sample that carries no stop time.
  static constexpr RefTime kDefaultSlot = 40 * kMillisecond;
  // Something is drawn at least this often, however late the stream runs.
  static constexpr RefTime kMaxTimeWithoutDraw = 500 * kMillisecond;

  // streamNow is empty without a clock (or before running): everything is drawn at once.
  Decision Decide(const SampleTimes& sample, std::optional<RefTime> streamNow) const;

  // After a sample was drawn (the time drawing ended).
  void OnDrawn(RefTime streamNow);
  // After a run starts, a flush or a seek: the next sample is always drawn.
  void Reset();

 private:
  std::optional<RefTime> lastDraw_;
};

// What IQualProp reports, accumulated per run.
class QualityStatistics {
 public:
  void Reset();
  // A sample drawn at streamNow; sampleStart is empty for untimed samples.
  void OnDrawn(RefTime streamNow, std::optional<RefTime> sampleStart);
  void OnDropped() { ++dropped_; }

  int framesDrawn() const { return drawn_; }
  int framesDropped() const { return dropped_; }
  // Frames drawn per second since the first one, in hundredths, up to streamNow.
  int AverageFrameRateHundredths(RefTime streamNow) const;
  // Standard deviation of the time between drawn frames, in milliseconds.
  int JitterMs() const;
  // Mean and standard deviation of (time drawn - time due), in milliseconds.
  int AverageSyncOffsetMs() const;
  int SyncOffsetDeviationMs() const;

 private:
  int drawn_ = 0;
  int dropped_ = 0;
  std::optional<RefTime> firstDraw_;
  std::optional<RefTime> lastDraw_;
  // Sums in milliseconds as doubles: a long run stays far from overflow.
  double intervalSum_ = 0, intervalSquares_ = 0;
  int intervals_ = 0;
  double offsetSum_ = 0, offsetSquares_ = 0;
  int offsets_ = 0;
};

}  // namespace tl::dshow
