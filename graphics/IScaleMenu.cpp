// The size menu's geometry, drawing and hit testing.
#include "IScaleMenu.h"

#include "IGraphics.h"

namespace {
const int kScales[IScaleMenu::kEntries] = {editor_scale::kScale100, editor_scale::kScale150,
                                           editor_scale::kScale200};
const char* const kTexts[IScaleMenu::kEntries] = {"100 %", "150 %", "200 %"};
const IColor kBorder(255, 90, 96, 104);
const IColor kBack(245, 24, 27, 31);
const IColor kCurrent(255, 66, 110, 170);
const IColor kTextColor(255, 230, 232, 235);
} // namespace

void IScaleMenu::Open(int x, int y, int w, int h, int current) {
  if (mOpen) mDirty = mDirty.Union(mRect);
  const int mw = kEntryW + 2, mh = kEntries * kEntryH + 2;
  if (x + mw > w) x = w - mw;
  if (y + mh > h) y = h - mh;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  mRect = IRECT(x, y, x + mw, y + mh);
  mCurrent = current;
  mOpen = true;
  mDirty = mDirty.Union(mRect);
}

void IScaleMenu::Close() {
  if (!mOpen) return;
  mOpen = false;
  mDirty = mDirty.Union(mRect);
}

int IScaleMenu::ScaleAt(int x, int y) const {
  if (!mOpen) return 0;
  const int ix = x - mRect.L - 1, iy = y - mRect.T - 1;
  if (ix < 0 || ix >= kEntryW || iy < 0 || iy >= kEntries * kEntryH) return 0;
  return kScales[iy / kEntryH];
}

const char* IScaleMenu::EntryText(int entry) {
  return entry >= 0 && entry < kEntries ? kTexts[entry] : nullptr;
}

int IScaleMenu::EntryScale(int entry) { return entry >= 0 && entry < kEntries ? kScales[entry] : 0; }

void IScaleMenu::Draw(IGraphics* graphics, const IRECT& r) {
  if (!mOpen || !mRect.Intersects(r)) return;
  IRECT frame = mRect;
  graphics->FillIRect(&kBorder, &frame);
  IRECT inner(mRect.L + 1, mRect.T + 1, mRect.R - 1, mRect.B - 1);
  graphics->FillIRect(&kBack, &inner);
  IText text(13, &kTextColor, "Arial", IText::kStyleNormal, IText::kAlignCenter);
  for (int i = 0; i < kEntries; ++i) {
    IRECT entry(inner.L, inner.T + i * kEntryH, inner.R, inner.T + (i + 1) * kEntryH);
    if (kScales[i] == mCurrent) graphics->FillIRect(&kCurrent, &entry);
    IRECT line(entry.L, entry.T + 2, entry.R, entry.B);
    graphics->DrawIText(&text, kTexts[i], &line);
  }
}

bool IScaleMenu::TakeDirty(IRECT* r) {
  if (mDirty.Empty()) return false;
  *r = r->Union(mDirty);
  mDirty.Clear();
  return true;
}
