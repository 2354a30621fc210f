#include "core/shell/status_line.h"

#include "core/log.h"
#include "core/shell/repaint.h"

#include <algorithm>
#include <fmt/format.h>

StatusLine statusLine;

void gf_showMessage(const std::string& text, bool log) {
  std::lock_guard lock(statusLine.mutex);
  if (!statusLine.error.empty()) return;
  statusLine.message = text;
  statusLine.shownAt = text.empty() ? 0 : std::max(statusLine.tick.load(), 1);
  if (log && !text.empty()) gf_logWhileRunning(text);
  gf_requestRepaint(statusRect);
}

void gf_showError(const std::string& text) {
  std::lock_guard lock(statusLine.mutex);
  statusLine.message.clear();
  statusLine.shownAt = 0;
  statusLine.error = text;
  gf_logWhileRunning(fmt::format("Error {}", text));
  gf_requestRepaint(statusRect);
}

void gf_clearMessage() { gf_showMessage({}, true); }

void gf_clearError() {
  std::lock_guard lock(statusLine.mutex);
  statusLine.error.clear();
  gf_requestRepaint(statusRect);
}

void gf_statusLineSecondStep() {
  const auto now = ++statusLine.tick;
  // Tested and cleared under one lock: a message that another thread shows meanwhile is
  // not taken for the old one and cleared at once.
  std::lock_guard lock(statusLine.mutex);
  if (statusLine.shownAt > 0 && now - statusLine.shownAt >= 25) {
    statusLine.message.clear();
    statusLine.shownAt = 0;
    gf_requestRepaint(statusRect);
  }
}

void gf_resetStatusLine() {
  std::lock_guard lock(statusLine.mutex);
  statusLine.tick = 0;
  statusLine.shownAt = 0;
  statusLine.message.clear();
  statusLine.error.clear();
  gf_requestRepaint(statusRect);
}

StatusLineView gf_statusLineSnapshot() {
  std::lock_guard lock(statusLine.mutex);
  return {statusLine.message, statusLine.error};
}
