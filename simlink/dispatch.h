#pragma once
// Everything the simulator sends reaches the program through this callback, which the
// SimClient thread hands to SimConnect_CallDispatch: the open reply, events, frames, object
// data and exceptions. It runs on the SimClient thread only.
#include "simlink/simconnect/simconnect.h"

#include <cstdint>

// Reads only within size bytes: a message shorter than its layout is logged and dropped.
// Throws hvm::UserErrorException for what ends the link (a refused simulator, a version
// mismatch, no usable user aircraft).
void gf_dispatchProc(const SimConnectRecv* message, std::uint32_t size, void* context);
