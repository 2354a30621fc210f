#include "traffic/motion/stream_merge.h"

#include "traffic/removal.h"

#include <cmath>

void decodeExisting(LiveAircraft& ac, const FeedPoint& point) {
  if (ac.feedPoints.size() > maxFeedPoints) {
    removeAircraftFromSim(ac.aircraft);
    return;
  }
  // Due ticks only grow along a stream.
  if (!ac.feedPoints.empty() && point.dueTick <= ac.feedPoints.back().dueTick) return;
  FeedPoint added = point;
  if (!ac.feedPoints.empty()) {
    const FeedPoint& last = ac.feedPoints.back();
    added.extraFlag =
        std::fabs(added.latitude - last.latitude) <= 1e-8 && std::fabs(added.longitude - last.longitude) <= 1e-8;
  }
  ac.feedPoints.push_back(added);
}

bool checkExtendingSituations(LiveAircraft&, FeedPoint&) { return true; }
bool checkNewPosDuringLanding(LiveAircraft&, FeedPoint&) { return true; }
bool acceptPoint(LiveAircraft&, FeedPoint&) { return true; }
