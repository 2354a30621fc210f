#include "app/window_requests.h"

#include "app/run_services.h"
#include "core/settings/parameters.h"
#include "core/shell/auto_range.h"
#include "core/shell/requests.h"

void gf_sendNavLights(bool on) {
  const auto& services = runServices;
  if (!services.link.gf_queueClientEvent) return;
  const std::int32_t value = on ? 1 : 0;
  if (const auto* statics = services.traffic.staticList)
    for (const auto& s : *statics)
      if (s.state == LiveState::Active)
        services.link.gf_queueClientEvent({s.objectId, SimEventId::NAV_LIGHTS_SET, value});
  if (const auto* live = services.traffic.liveList)
    for (const auto& l : *live)
      if (l.aircraft.state == LiveState::Active && l.phase == FlightPhase::Parked)
        services.link.gf_queueClientEvent({l.aircraft.objectId, SimEventId::NAV_LIGHTS_SET, value});
}

void gf_serveWindowRequests() {
  const auto& traffic = runServices.traffic;
  if (navLightsRequested.exchange(false)) gf_sendNavLights(NAV_LIGHTS_WHILE_PARKED.get());
  if (maxLiveRequested.exchange(false)) gf_call(traffic.gf_applyMaxLive);
  // Switched off again meanwhile: the manual range stands.
  if (autoRangeRequested.exchange(false) && AUTO_RANGE.get()) gf_applyAutoRange();
  if (auto request = gf_takeFirstParkAirportRequest())
    gf_call(traffic.gf_makeFirstParkAirport, request->code, request->position);
}
