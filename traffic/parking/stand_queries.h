#pragma once
// Questions live traffic asks of the park airport's stands. Worker thread only.
#include "airports/stands.h"

#include <string_view>

// The first stand whose name is the text (byte for byte), or the end of the stand list.
StandList::iterator gf_findStandByName(std::string_view name);
