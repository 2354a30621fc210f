// Until the settings exist, random choices are on (the RANDOM setting's default).
#include "core/random.h"

bool gf_randomOn() { return true; }
