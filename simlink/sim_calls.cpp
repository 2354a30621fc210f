#include "simlink/sim_calls.h"

SimConnectCalls simCalls;
