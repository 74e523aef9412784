#include "records/DocFrame.h"

#include "platform/ui/afxwin.h"

namespace {
// The frame made last, until it goes.
CZEKDocFrame* g_pLastFrame = nullptr;
}  // namespace

CZEKDocFrame::CZEKDocFrame() { g_pLastFrame = this; }

CZEKDocFrame::~CZEKDocFrame() {
  if (g_pLastFrame == this) g_pLastFrame = nullptr;
}

CZEKDocFrame* CZEKDocFrame::Get() {
  if (auto* frame = dynamic_cast<CZEKDocFrame*>(AfxGetMainWnd())) return frame;
  return g_pLastFrame;
}
