#pragma once
// The simulator link's run-wide state: the connection handle that every SimConnect call
// takes, the simulator version the user installed, the error flag that stops the command
// flow, the user aircraft's object id and the simulator's frame rate. Other threads read
// these fields at any time; each is atomic.
#include "simlink/simconnect/simconnect.h"

#include <atomic>
#include <cstdint>

struct SimLinkState {
  // The open connection; null while none is open. The SimClient thread sets it to null under
  // the command mutex before it closes the connection, so a caller holding that mutex never
  // uses a closed handle; a call with a null handle fails like any failed call.
  std::atomic<SimConnectClient*> simConnectHandle{nullptr};
  std::atomic<std::int32_t> simMajorVersion{5};
  // Set by gf_handleSimConnectError; while set the Frame handler drops every command.
  std::atomic<bool> simConnectError{false};
  // The user aircraft's object id, from every reply about the user's full state.
  std::atomic<std::uint32_t> userObjectId{2};
  // Frames per second as the simulator reported it every 30th frame; 0 before that.
  std::atomic<float> frameRate{0.0f};
  // Frame events since the frame rate was last sampled (SimClient thread only).
  std::int32_t frameCounter = 0;
  // The simulator answered the open request on the present connection (SimClient thread).
  bool openReplied = false;
  // The simulator sent its quit message on the present connection (SimClient thread).
  bool quitReceived = false;
};

extern SimLinkState simLinkState;

// Called by the run before it starts the SimClient thread, with the simulator major
// version (5 or 6): stores it, reserves the queues' and lists' room and clears the error flag.
void gf_initSimClient(std::int32_t majorVersion);
// The run's reset before a restart (the SimClient thread has ended): the handle null, the
// user object id 2, the error flag and the flight-running flag cleared, every queue, list
// and position buffer emptied with the buffer pointers back on their first places, the user
// aircraft state zeroed and the version set to majorVersion.
void gf_resetSimLink(std::int32_t majorVersion);
