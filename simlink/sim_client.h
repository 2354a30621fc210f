#pragma once
// The simulator link's own thread: it waits until the simulator accepts a connection,
// declares what the program reads, writes and hears, and then hands everything the
// simulator sends to the dispatch every millisecond until the run stops it.
#include <stop_token>
#include <thread>

// The thread procedure. While waiting it also ends when the run stops or the window is
// closed; once connected only the stop token ends it (or the simulator going away, which
// ends the run). The connection is closed before it returns.
void SimClient(std::stop_token stop);

// Starts SimClient on a thread of its own (after gf_initSimClient); destroying the thread
// object asks it to stop and joins it.
std::jthread gf_startSimClient();
