#include "common/dshow/core/render_schedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace tl::dshow {
namespace {

constexpr RefTime kMs = kMillisecond;

// A stream of frames played through the scheduler on a fake clock: drawing frame i costs
// drawCost(i); waiting moves the clock to the due time. Returns which frames were drawn.
struct Playback {
  std::vector<bool> drawn;
  QualityStatistics stats;
};

template <typename Cost>
Playback Play(int frames, RefTime frameTime, Cost drawCost, RefTime startDelay = 0) {
  RenderScheduler scheduler;
  Playback result;
  RefTime clock = startDelay;
  for (int i = 0; i < frames; ++i) {
    const SampleTimes times{i * frameTime, (i + 1) * frameTime};
    for (;;) {
      const Decision decision = scheduler.Decide(times, clock);
      if (decision.action == Action::kWait) {
        EXPECT_GT(decision.waitUntil, clock);
        clock = decision.waitUntil;
        continue;
      }
      if (decision.action == Action::kDrop) {
        result.drawn.push_back(false);
        result.stats.OnDropped();
      } else {
        result.stats.OnDrawn(clock, times.start);
        const RefTime cost = drawCost(i);
        clock += cost;
        scheduler.OnDrawn(clock);
        result.drawn.push_back(true);
      }
      break;
    }
  }
  return result;
}

TEST(RenderScheduler, ImmediateWithoutClockOrTimes) {
  RenderScheduler scheduler;
  EXPECT_EQ(scheduler.Decide({1000 * kMs, 1040 * kMs}, std::nullopt).action, Action::kRenderNow);
  EXPECT_EQ(scheduler.Decide({std::nullopt, std::nullopt}, 0).action, Action::kRenderNow);
  // The first sample of a run is drawn however late it is.
  const Decision late = scheduler.Decide({0, 40 * kMs}, 5000 * kMs);
  EXPECT_EQ(late.action, Action::kRenderNow);
  EXPECT_EQ(late.lateness, 5000 * kMs);
}

TEST(RenderScheduler, EarlySamplesWaitForTheirStart) {
  RenderScheduler scheduler;
  const Decision early = scheduler.Decide({100 * kMs, 140 * kMs}, 60 * kMs);
  EXPECT_EQ(early.action, Action::kWait);
  EXPECT_EQ(early.waitUntil, 100 * kMs);
  EXPECT_EQ(early.lateness, -40 * kMs);
  // Within the tolerance it is drawn at once.
  EXPECT_EQ(scheduler.Decide({100 * kMs, 140 * kMs}, 99 * kMs).action, Action::kRenderNow);
}

TEST(RenderScheduler, KeepsUpWhenDrawingFitsTheFrameTime) {
  // 30 frames/s with a 20 ms draw and an occasional 45 ms one: nothing is dropped.
  const Playback run = Play(300, 333333, [](int i) { return i % 50 == 7 ? 45 * kMs : 20 * kMs; });
  for (size_t i = 0; i < run.drawn.size(); ++i) EXPECT_TRUE(run.drawn[i]) << "frame " << i;
  EXPECT_EQ(run.stats.framesDrawn(), 300);
  EXPECT_EQ(run.stats.framesDropped(), 0);
  // Drawn at their start: 30.00 frames/s, no jitter beyond the slow frames, offset near 0.
  EXPECT_NEAR(run.stats.AverageFrameRateHundredths(299 * 333333), 3000, 2);
  EXPECT_LE(run.stats.AverageSyncOffsetMs(), 1);
}

TEST(RenderScheduler, DropsWhenDrawingIsSlowerThanTheStreamButStillShowsPictures) {
  // Drawing takes 70 ms for 40 ms frames: about every other frame must go, and the pictures
  // that are shown never lie more than the no-draw limit apart.
  const Playback run = Play(200, 40 * kMs, [](int) { return 70 * kMs; });
  int drawn = 0;
  int longestGap = 0, gap = 0;
  for (bool d : run.drawn) {
    drawn += d;
    gap = d ? 0 : gap + 1;
    longestGap = std::max(longestGap, gap);
  }
  EXPECT_GE(drawn, 95);
  EXPECT_LE(drawn, 200 * 40 / 70 + 2);
  EXPECT_LE(longestGap * 40 * kMs, RenderScheduler::kMaxTimeWithoutDraw);
  EXPECT_EQ(run.stats.framesDrawn() + run.stats.framesDropped(), 200);
}

TEST(RenderScheduler, CatchesUpAfterAStallByDroppingTheBacklog) {
  // One 400 ms stall at frame 10: the frames whose slots passed are dropped, then every frame
  // is drawn again.
  const Playback run = Play(60, 40 * kMs, [](int i) { return i == 10 ? 400 * kMs : 5 * kMs; });
  int dropped = 0;
  for (int i = 0; i < 60; ++i) dropped += !run.drawn[i];
  EXPECT_GE(dropped, 8);
  EXPECT_LE(dropped, 10);
  for (int i = 25; i < 60; ++i) EXPECT_TRUE(run.drawn[i]) << "frame " << i;
}

TEST(RenderScheduler, NeverGoesLongWithoutDrawing) {
  // A stream that is 2 s late throughout still shows a picture at least every half second.
  RenderScheduler scheduler;
  RefTime now = 2000 * kMs;
  RefTime lastDrawn = now;
  scheduler.OnDrawn(now);
  for (int i = 0; i < 100; ++i) {
    now += 40 * kMs;
    const Decision d = scheduler.Decide({now - 2000 * kMs, now - 1960 * kMs}, now);
    if (d.action == Action::kRenderNow) {
      scheduler.OnDrawn(now);
      lastDrawn = now;
    }
    EXPECT_LE(now - lastDrawn, RenderScheduler::kMaxTimeWithoutDraw);
  }
}

TEST(RenderScheduler, SamplesWithoutStopTimeGetADefaultSlot) {
  RenderScheduler scheduler;
  scheduler.OnDrawn(0);
  // Half of the 40 ms default slot is the limit of lateness.
  EXPECT_EQ(scheduler.Decide({100 * kMs, std::nullopt}, 120 * kMs).action, Action::kRenderNow);
  EXPECT_EQ(scheduler.Decide({100 * kMs, std::nullopt}, 121 * kMs).action, Action::kDrop);
  // A stop time before the start counts as missing.
  EXPECT_EQ(scheduler.Decide({100 * kMs, 50 * kMs}, 121 * kMs).action, Action::kDrop);
  EXPECT_EQ(scheduler.Decide({100 * kMs, 300 * kMs}, 121 * kMs).action, Action::kRenderNow);
  scheduler.Reset();
  EXPECT_EQ(scheduler.Decide({100 * kMs, std::nullopt}, 150 * kMs).action, Action::kRenderNow);
}

TEST(QualityStatistics, Figures) {
  QualityStatistics stats;
  EXPECT_EQ(stats.AverageFrameRateHundredths(0), 0);
  EXPECT_EQ(stats.JitterMs(), 0);
  // Frames every 40 ms and 60 ms alternately, drawn 10 ms after their start; one untimed.
  RefTime t = 0;
  for (int i = 0; i < 11; ++i) {
    stats.OnDrawn(t + 10 * kMs, t);
    t += (i % 2 ? 60 : 40) * kMs;
  }
  stats.OnDropped();
  EXPECT_EQ(stats.framesDrawn(), 11);
  EXPECT_EQ(stats.framesDropped(), 1);
  // 10 intervals over 500 ms: 20 frames/s.
  EXPECT_EQ(stats.AverageFrameRateHundredths(510 * kMs), 2000);
  EXPECT_EQ(stats.JitterMs(), 10);
  EXPECT_EQ(stats.AverageSyncOffsetMs(), 10);
  EXPECT_EQ(stats.SyncOffsetDeviationMs(), 0);
  stats.Reset();
  EXPECT_EQ(stats.framesDrawn(), 0);
  EXPECT_EQ(stats.framesDropped(), 0);
}

}  // namespace
}  // namespace tl::dshow
