#include "app/window_actions.h"

#include <atomic>

namespace {
std::atomic<WindowActionHandler> actionHandler{nullptr};
}

void gf_setWindowActionHandler(WindowActionHandler handler) { actionHandler.store(handler); }

void gf_requestWindowAction(WindowAction action) {
  if (const auto handler = actionHandler.load()) handler(action);
}
