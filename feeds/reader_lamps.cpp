#include "feeds/reader_lamps.h"

#include "feeds/qnh_reader.h"
#include "feeds/realtraffic_link.h"
#include "feeds/traffic_reader.h"

FeedDisplay feedDisplay;

namespace {

void lf_checkLamp(UdpReader& reader, std::atomic<LampState>& lamp, std::atomic<bool>& latch) {
  const auto count = reader.datagramCount.load();
  const auto seen = reader.countSeen.exchange(count);
  if (count == seen) {
    lamp = lampStale;
    gf_requestRepaint(feedDisplayRect);
    latch = false;
  } else if (!latch.load()) {
    latch = true;
    lamp = lampReceiving;
    gf_requestRepaint(feedDisplayRect);
  }
}

} // namespace

void gf_checkReaderLamps() {
  if (!realTrafficLink.linkUp.load()) return;
  lf_checkLamp(qnhReader, feedDisplay.weatherLamp, feedDisplay.weatherLampLatch);
  lf_checkLamp(trafficReader, feedDisplay.trafficLamp, feedDisplay.trafficLampLatch);
}

void gf_resetFeedState() {
  trafficReader.resetFeed();
  feedDisplay.trafficLampLatch = true;
  qnhReader.resetFeed();
  feedDisplay.weatherLampLatch = true;
}
