#include "feeds/traffic_reader.h"

#include "core/log.h"
#include "core/settings/parameters.h"
#include "core/shell/repaint.h"
#include "core/time.h"
#include "feeds/adding_stack.h"
#include "feeds/live_traffic_hooks.h"
#include "feeds/reader_lamps.h"
#include "feeds/realtraffic_link.h"

#include <fmt/format.h>

TrafficReader trafficReader;

namespace {

// The traffic clock follows the lines' report times only for RealTraffic's professional
// edition, which may replay traffic of another time.
double lf_clockTimestamp() { return realTrafficLink.professional.load() ? trafficReader.lineTimestamp.load() : 0.0; }

} // namespace

// RealTraffic sends its traffic in bursts of several hundred datagrams back to back.
TrafficReader::TrafficReader() : UdpReader("Traffic Reader", 1 << 20) {
  fields.reserve(64);
  gf_setTrafficTimestampSource(&lf_clockTimestamp);
}

void TrafficReader::setReference(const GeoPosition& position) {
  std::lock_guard lock(contextMutex);
  reference = position;
}

void TrafficReader::setParkAirport(const std::optional<GeoPosition>& position) {
  std::lock_guard lock(contextMutex);
  parkAirport = position;
}

void TrafficReader::setParkElevation(const std::optional<double>& elevationFt) {
  std::lock_guard lock(contextMutex);
  parkElevation = elevationFt;
}

TrafficLineContext TrafficReader::context() const {
  std::lock_guard lock(contextMutex);
  return {reference, rangeNm.load(), parkAirport, parkElevation};
}

void TrafficReader::startCallsignCollection() {
  std::lock_guard lock(callsignMutex);
  callsigns.clear();
  collectCallsigns.exchange(true);
}

std::unordered_set<std::string> TrafficReader::takeCollectedCallsigns() {
  std::lock_guard lock(callsignMutex);
  collectCallsigns.exchange(false);
  auto taken = std::move(callsigns);
  callsigns.clear();
  return taken;
}

void TrafficReader::resetFeed() {
  lineTimestamp = 0.0;
  {
    std::lock_guard lock(callsignMutex);
    callsigns.clear();
  }
  stop = false;
  forgetPreviousDatagram();
  badDatagrams.flush(&gf_log);
}

void TrafficReader::handleLine(std::string_view line) { processLineSub(line); }

void TrafficReader::onDatagram() { processLineSub(std::string_view(datagram, datagramLength)); }

void TrafficReader::processLineSub(std::string_view line) {
  auto result = gf_parseTrafficLine(line, context(), fields);
  if (result.timestamp) lineTimestamp = *result.timestamp;
  if (!result.callsignToCollect.empty() && collectCallsigns.load()) {
    std::lock_guard lock(callsignMutex);
    if (collectCallsigns.load()) callsigns.emplace(result.callsignToCollect);
  }
  switch (result.outcome) {
  case LineOutcome::Accepted:
    gf_appendTrafficReport(std::move(result.report), gf_currentTrafficTick());
    break;
  case LineOutcome::Failed:
    // The kind is the failure's first word: the field or the fault it names.
    badDatagrams.write(gf_messageKind(result.error), fmt::format("exception in processLineSub: {}", result.error),
                       &gf_log);
    break;
  case LineOutcome::Dropped:
    break;
  }
}

void TrafficReader::onListening() {
  feedDisplay.trafficLamp = lampReceiving;
  gf_requestRepaint(feedDisplayRect);
  feedDisplay.weatherLamp = lampReceiving;
  gf_requestRepaint(feedDisplayRect);
}

void TrafficReader::onStopped() {
  feedDisplay.trafficLamp = lampStopped;
  gf_requestRepaint(feedDisplayRect);
  gf_log("Traffic Reader has stopped");
}

void gf_runTrafficReader(std::int32_t port) { trafficReader.run(port); }
