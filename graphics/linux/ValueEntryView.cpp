#include "ValueEntryView.h"

#include <cstring>

namespace {
const IColor kFieldBack(255, 255, 255, 255);
const IColor kFrame(255, 40, 40, 40);
const IColor kTextColor(255, 0, 0, 0);
const IColor kSelectedBack(255, 51, 102, 204);
const IColor kSelectedText(255, 255, 255, 255);

// The rectangle moved (not shrunk) to lie inside w x h where it can.
IRECT Inside(IRECT r, int w, int h) {
  if (r.R > w) {
    r.L -= r.R - w;
    r.R = w;
  }
  if (r.B > h) {
    r.T -= r.B - h;
    r.B = h;
  }
  if (r.L < 0) {
    r.R -= r.L;
    r.L = 0;
  }
  if (r.T < 0) {
    r.B -= r.T;
    r.T = 0;
  }
  return r;
}

void Frame(IGraphicsLinux* g, const IRECT& r) {
  IRECT top(r.L, r.T, r.R, r.T + 1), bottom(r.L, r.B - 1, r.R, r.B);
  IRECT left(r.L, r.T, r.L + 1, r.B), right(r.R - 1, r.T, r.R, r.B);
  g->FillIRect(&kFrame, &top);
  g->FillIRect(&kFrame, &bottom);
  g->FillIRect(&kFrame, &left);
  g->FillIRect(&kFrame, &right);
}
} // namespace

IRECT EntryArea(const IGraphicsLinux& g) {
  const IGraphicsLinux::ValueEntry* e = g.GetValueEntry();
  if (!e) return IRECT();
  IRECT r = e->mRect;
  if (e->mIsList) r.B = r.T + kEntryRowHeight * (g.NEntryChoices() > 0 ? g.NEntryChoices() : 1);
  return Inside(r, g.Width(), g.Height());
}

int EntryRowAt(const IGraphicsLinux& g, int x, int y) {
  const IGraphicsLinux::ValueEntry* e = g.GetValueEntry();
  if (!e || !e->mIsList) return -1;
  const IRECT a = EntryArea(g);
  if (x < a.L || x >= a.R || y < a.T || y >= a.B) return -1;
  const int row = (y - a.T) / kEntryRowHeight;
  return row < g.NEntryChoices() ? row : -1;
}

void EntryType(IGraphicsLinux::ValueEntry* entry, const char* text) {
  if (!entry || !text) return;
  if (entry->mTypedSelected) entry->mTyped.Set("");
  entry->mTypedSelected = false;
  if (entry->mTyped.GetLength() + (int)std::strlen(text) <= 64) entry->mTyped.Append(text);
}

void EntryBackspace(IGraphicsLinux::ValueEntry* entry) {
  if (!entry) return;
  if (entry->mTypedSelected) {
    entry->mTyped.Set("");
    entry->mTypedSelected = false;
  } else if (entry->mTyped.GetLength() > 0) {
    WDL_String shorter(entry->mTyped);
    entry->mTyped.Set(shorter.Get(), shorter.GetLength() - 1);
  }
}

void DrawValueEntry(IGraphicsLinux* g) {
  const IGraphicsLinux::ValueEntry* e = g->GetValueEntry();
  if (!e) return;
  IRECT a = EntryArea(*g);
  IText text(14, &kTextColor, "Arial", IText::kStyleNormal, IText::kAlignNear);
  g->FillIRect(&kFieldBack, &a);
  if (e->mIsList) {
    for (int i = 0; i < g->NEntryChoices(); ++i) {
      IRECT row(a.L + 1, a.T + i * kEntryRowHeight, a.R - 1, a.T + (i + 1) * kEntryRowHeight);
      IText t = text;
      if (i == e->mSelected) {
        g->FillIRect(&kSelectedBack, &row);
        t.mColor = kSelectedText;
      }
      IRECT textRect(row.L + 3, row.T + 1, row.R - 2, row.B);
      g->DrawIText(&t, g->GetEntryChoice(i), &textRect);
    }
  } else {
    IRECT textRect(a.L + 3, a.T, a.R - 2, a.B);
    if (e->mTypedSelected && e->mTyped.GetLength() > 0) {
      IRECT sel(a.L + 2, a.T + 2, a.R - 2, a.B - 2);
      g->FillIRect(&kSelectedBack, &sel);
      IText t = text;
      t.mColor = kSelectedText;
      g->DrawIText(&t, e->mTyped.Get(), &textRect);
    } else {
      WDL_String shown(e->mTyped);
      shown.Append("|"); // the caret, at the end where typing goes
      g->DrawIText(&text, shown.Get(), &textRect);
    }
  }
  Frame(g, a);
}
