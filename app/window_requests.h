#pragma once
// What the window asked of the worker since its last turn and must not do itself, because
// it touches live traffic or the simulator queues: the parked aircraft's navigation lights,
// the live limit, the automatic range and a new first park airport. Worker thread, at every
// turn of the main loop.
void gf_serveWindowRequests();

// NAV_LIGHTS_SET with the value for every active static aircraft and every active parked
// live aircraft.
void gf_sendNavLights(bool on);
