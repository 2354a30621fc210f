#pragma once
// The one-line message area at the window's bottom: a plain message (green, gone after
// 25 per-second steps) or an error (red, stays until cleared; blocks messages).
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

struct StatusLine {
  std::mutex mutex;
  std::string message;
  std::string error;
  std::atomic<std::int32_t> tick{0};
  std::int32_t shownAt = 0; // tick the timed message was shown at, 0 = none
};

extern StatusLine statusLine;

struct StatusLineView {
  std::string message;
  std::string error;
};

void gf_showMessage(const std::string& text, bool log);
void gf_showError(const std::string& text);
void gf_clearMessage();
// One of the few events that end an error (install path entry, re-plan, reset, closing down).
void gf_clearError();
// The per-second step: one more tick, and a message shown 25 ticks ago goes.
void gf_statusLineSecondStep();
// The reset before a restart.
void gf_resetStatusLine();
StatusLineView gf_statusLineSnapshot();
