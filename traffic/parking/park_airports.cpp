#include "traffic/parking/park_airports.h"

std::string reservedStand;
