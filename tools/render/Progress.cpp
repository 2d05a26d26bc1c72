#include "Progress.h"

#include <cstdio>

namespace {
constexpr double kShowAfterSeconds = 1.0;
constexpr double kRedrawSeconds = 0.1;
constexpr int kBarWidth = 30;
} // namespace

Progress::Progress(int64_t totalFrames, int sampleRate, bool enabled)
    : mTotal(totalFrames), mSampleRate(sampleRate), mEnabled(enabled && totalFrames > 0),
      mStart(Clock::now()), mLastDraw(mStart) {}

Progress::~Progress() {
  if (mShown) std::fputs("\r\033[K", stderr);
}

void Progress::Update(int64_t framesDone) {
  if (!mEnabled) return;
  const Clock::time_point now = Clock::now();
  const double elapsed = std::chrono::duration<double>(now - mStart).count();
  if (elapsed < kShowAfterSeconds) return;
  if (mShown && std::chrono::duration<double>(now - mLastDraw).count() < kRedrawSeconds) return;
  mShown = true;
  mLastDraw = now;
  const double fraction = (double)framesDone / (double)mTotal;
  char bar[kBarWidth + 1];
  const int filled = (int)(fraction * kBarWidth);
  for (int i = 0; i < kBarWidth; ++i)
    bar[i] = i < filled ? '#' : '.';
  bar[kBarWidth] = '\0';
  std::fprintf(stderr, "\rRendering [%s] %3d%%  %.1f of %.1f s", bar, (int)(fraction * 100.0),
               (double)framesDone / mSampleRate, (double)mTotal / mSampleRate);
  std::fflush(stderr);
}
