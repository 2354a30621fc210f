#pragma once
// The user's stand at the current park airport, which static parking keeps free. Worker
// thread only.
#include <string>

// The name of the stand kept free for the user aircraft; empty when none.
extern std::string reservedStand;
