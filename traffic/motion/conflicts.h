#pragma once
// Ghosts and twins: the feed sometimes reports one aircraft twice, once with a '_' after its
// callsign. Worker thread only.
#include <string_view>

// Removes the live ghost of the callsign (the callsign followed by '_'), remembering it.
void lf_removeGhost(std::string_view callsign);
// Whether a live aircraft not being removed carries the callsign without its last character.
bool lf_hasPlainTwin(std::string_view callsign);
