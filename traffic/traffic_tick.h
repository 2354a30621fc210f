#pragma once
// The traffic tick: called once in every 10 ms turn of the main loop while a flight runs.
// It applies what the simulator reported, moves every live aircraft, hands positions,
// removals and creations to the simulator link, takes new traffic reports and builds at most
// one creation request. Worker thread only.

void lf_handleAddingStack();
// Hands every queued removal to the simulator link at once (closing down).
void gf_sendQueuedRemovals();
