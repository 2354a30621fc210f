#pragma once
// The Frame handler: at every simulator frame the SimClient thread sends everything live
// traffic queued since the last one. It takes the queues' contents in one short hold of the
// command mutex and sends them after releasing it.
#include "simlink/command_queues.h"

#include <chrono>
#include <cstddef>
#include <cstdint>

// Positions, client events, creations and removals, in this order. Skips the frame when live
// traffic holds the command mutex (nothing is lost: the next Frame sends it); drops every
// queued command while the error flag is set.
void gf_sendQueuedCommands();

// The link's own commands, from the SimClient thread, which never waits for the command mutex:
// they go out with the next frame that is sent (its events before live traffic's, its removals
// after), and are dropped with the queues while the error flag is set.
void gf_queueLinkEvent(const ClientEventData& event);
void gf_queueLinkRemoval(std::int32_t objectId);
// The run's reset (the SimClient thread has ended): nothing staged is left.
void gf_resetLinkCommands();

// Called at the end of every Frame: how long it held the command mutex, how long it took in
// all (sending included) and how many positions it sent (0 for a skipped frame); for
// measuring only (the program sets no probe).
using FrameProbe = void (*)(std::chrono::steady_clock::duration held, std::chrono::steady_clock::duration total,
                            std::size_t positions);
void gf_setFrameProbe(FrameProbe probe);
