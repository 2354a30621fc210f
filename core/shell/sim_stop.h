#pragma once
// The simulator link lost the simulator: the run ends without a restart.

// Logs that the simulator is no longer connected and ends the run with "SIM WAS CLOSED",
// unless a stop is already pending (then nothing is logged or changed).
void gf_stopForSimClosed();
