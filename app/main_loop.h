#pragma once
// The run's heartbeat: one turn every 10 ms against a deadline. While the simulator reports
// a running flight a turn is one tick of live traffic, and the turn that takes the
// simulator's once-a-second data also runs the per-second step and its jobs. Worker thread.
#include <functional>

void gf_mainLoop();
// The deadline loop itself: turns until one returns false. The first turn runs at once; a
// turn that overruns is followed by turns without a sleep until the loop has caught up;
// pending per-second data sets the deadline anew from now, which drops any backlog.
void gf_runTurns(const std::function<bool()>& turn);
// One turn; false ends the loop (a stop flag is set).
bool gf_mainLoopTurn();
