#include "core/shell/repaint.h"

#include <atomic>

namespace {
std::atomic<RepaintHandler> repaintHandler{nullptr};
}

void gf_setRepaintHandler(RepaintHandler handler) { repaintHandler.store(handler); }

void gf_requestRepaint(const PaintRect& area, bool erase) {
  if (const auto handler = repaintHandler.load()) handler(area, erase);
}
