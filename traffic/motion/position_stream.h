#pragma once
// Moving the live aircraft along their streams of reported positions, one tick at a time.
// Worker thread only.
#include "traffic/aircraft.h"

// The tick of one live aircraft: an active one moves toward its next point and its position
// joins this tick's batch; a buffered one takes its spawn step. True when the record is to
// be erased (eraseNow or creationCancelled).
bool updateLiveAc(LiveAircraft& aircraft);
