#include "core/geodesy.h"

#include <algorithm>
#include <cmath>

double gf_distanceNm(const GeoPosition& a, const GeoPosition& b) {
  const double phiA = a.latitude * degToRad;
  const double phiB = b.latitude * degToRad;
  const double dPhi = phiB - phiA;
  const double dLambda = (b.longitude - a.longitude) * degToRad;
  const double sinPhi = std::sin(dPhi / 2);
  const double sinLambda = std::sin(dLambda / 2);
  // Rounding can lift h just above 1 for antipodal points, and the root of 1 - h would be NaN.
  const double h = std::min(1.0, sinPhi * sinPhi + std::cos(phiA) * std::cos(phiB) * sinLambda * sinLambda);
  return earthDiameterNm * std::atan2(std::sqrt(h), std::sqrt(1 - h));
}

double gf_initialBearing(const GeoPosition& from, const GeoPosition& to) {
  const double phiA = from.latitude * degToRad;
  const double phiB = to.latitude * degToRad;
  const double dLambda = (to.longitude - from.longitude) * degToRad;
  double theta = std::atan2(std::sin(dLambda) * std::cos(phiB),
                            std::cos(phiA) * std::sin(phiB) - std::sin(phiA) * std::cos(phiB) * std::cos(dLambda));
  if (theta < 0) theta += twoPi;
  return theta;
}

GeoPosition gf_destinationPoint(const GeoPosition& start, double bearing, double distanceFt) {
  const double delta = distanceFt * inverseEarthRadiusFt;
  const double phi1 = start.latitude * degToRad;
  const double lambda1 = start.longitude * degToRad;
  const double phi2 =
      std::asin(std::sin(phi1) * std::cos(delta) + std::cos(phi1) * std::sin(delta) * std::cos(bearing));
  double lambda2 = lambda1 + std::atan2(std::sin(bearing) * std::sin(delta) * std::cos(phi1),
                                        std::cos(delta) - std::sin(phi1) * std::sin(phi2));
  lambda2 = std::remainder(lambda2, twoPi);
  return {phi2 * radToDeg, lambda2 * radToDeg};
}
