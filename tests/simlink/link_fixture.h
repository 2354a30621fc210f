#pragma once
// Every test of the link starts from a fresh run: the link's state, the run flags and the
// status line as the run's reset leaves them, the log in a folder of its own, and the
// recording fake in the client library's place.
#include "core/shell/main_window.h"
#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "feeds/realtraffic_link.h"
#include "simlink/command_queues.h"
#include "simlink/link_state.h"
#include "simlink/park_stands.h"
#include "simlink/result_queue.h"
#include "support/fake_simconnect.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

class LinkTest : public ::testing::Test {
protected:
  LinkTest() { lf_fresh(); }
  ~LinkTest() override { lf_fresh(); }

  std::vector<SimResultData> results() {
    std::lock_guard lock(simResults.resultMutex);
    return simResults.results;
  }

  // Log lines written since the last call.
  std::vector<std::string> newLogLines() {
    const auto all = log.lines();
    std::vector<std::string> fresh(all.begin() + static_cast<std::ptrdiff_t>(std::min(seenLines_, all.size())),
                                   all.end());
    seenLines_ = all.size();
    return fresh;
  }

  testing_support::LogCapture log;
  FakeSimConnect fake;

  static void lf_fresh() {
    gf_resetSimLink(5);
    gf_resetRunFlags();
    gf_resetStatusLine();
    mainWindow.resetForRestart();
    gf_publishParkStands({}, {});
    gf_setUserStandRecorder(nullptr);
    realTrafficLink.professional = false;
    std::lock_guard lock(simResults.resultMutex);
    simResults.results.clear();
  }

private:
  std::size_t seenLines_ = 0;
};
