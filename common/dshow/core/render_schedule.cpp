#include "common/dshow/core/render_schedule.h"

#include <cmath>

namespace tl::dshow {

Decision RenderScheduler::Decide(const SampleTimes& sample, std::optional<RefTime> streamNow) const {
  Decision decision;
  if (!streamNow || !sample.start) return decision;
  const RefTime start = *sample.start;
  decision.lateness = *streamNow - start;
  if (decision.lateness < -kEarlyTolerance) {
    decision.action = Action::kWait;
    decision.waitUntil = start;
    return decision;
  }
  const RefTime stop = sample.stop && *sample.stop > start ? *sample.stop : start + kDefaultSlot;
  // Dropped when drawing would start more than half a frame late (a little late still looks
  // smoother than a gap), and only while the screen was refreshed recently: a stream that is
  // late throughout still shows something.
  const bool behind = decision.lateness > (stop - start) / 2;
  const bool drewRecently = lastDraw_ && *streamNow - *lastDraw_ < kMaxTimeWithoutDraw;
  if (behind && drewRecently) decision.action = Action::kDrop;
  return decision;
}

void RenderScheduler::OnDrawn(RefTime streamNow) { lastDraw_ = streamNow; }

void RenderScheduler::Reset() { lastDraw_.reset(); }

void QualityStatistics::Reset() { *this = QualityStatistics(); }

void QualityStatistics::OnDrawn(RefTime streamNow, std::optional<RefTime> sampleStart) {
  ++drawn_;
  if (!firstDraw_) firstDraw_ = streamNow;
  if (lastDraw_) {
    const double interval = double(streamNow - *lastDraw_) / kMillisecond;
    intervalSum_ += interval;
    intervalSquares_ += interval * interval;
    ++intervals_;
  }
  lastDraw_ = streamNow;
  if (sampleStart) {
    const double offset = double(streamNow - *sampleStart) / kMillisecond;
    offsetSum_ += offset;
    offsetSquares_ += offset * offset;
    ++offsets_;
  }
}

namespace {

double Deviation(double sum, double squares, int count) {
  if (count < 2) return 0;
  const double mean = sum / count;
  const double variance = squares / count - mean * mean;
  return variance > 0 ? std::sqrt(variance) : 0;
}

}  // namespace

int QualityStatistics::AverageFrameRateHundredths(RefTime streamNow) const {
  if (!firstDraw_ || drawn_ < 2) return 0;
  const RefTime elapsed = streamNow - *firstDraw_;
  if (elapsed <= 0) return 0;
  // (drawn - 1) intervals fit between the first frame and now.
  return int(double(drawn_ - 1) * 100.0 * double(kSecond) / double(elapsed));
}

int QualityStatistics::JitterMs() const { return int(Deviation(intervalSum_, intervalSquares_, intervals_)); }

int QualityStatistics::AverageSyncOffsetMs() const { return offsets_ ? int(offsetSum_ / offsets_) : 0; }

int QualityStatistics::SyncOffsetDeviationMs() const {
  return int(Deviation(offsetSum_, offsetSquares_, offsets_));
}

}  // namespace tl::dshow
