#pragma once
// Great-circle formulas on a spherical earth. Positions in degrees, distances in
// nautical miles (feet for gf_destinationPoint), bearings in radians from true north.
struct GeoPosition {
  double latitude = 0.0;
  double longitude = 0.0;
  bool operator==(const GeoPosition&) const = default;
};

inline constexpr double degToRad = 0.017453292519943295;
inline constexpr double radToDeg = 57.29577951308232;
inline constexpr double earthDiameterNm = 6875.493541569878;
inline constexpr double inverseEarthRadiusFt = 4.787404208238998e-08;
inline constexpr double twoPi = 6.283185307179586;
// The most metres one nautical mile of these formulas (an arc of 1/3437.75 of the earth's
// radius) can span on the simulator's earth: on the WGS84 ellipsoid the earth's radius of
// curvature is largest at the poles, 6,399,593.6 m. A radius in metres asked of the simulator
// with it takes in everything these formulas put within the same number of miles.
inline constexpr double longestNmMetres = 6399593.626 / (earthDiameterNm / 2);

double gf_distanceNm(const GeoPosition& a, const GeoPosition& b);
double gf_initialBearing(const GeoPosition& from, const GeoPosition& to);
GeoPosition gf_destinationPoint(const GeoPosition& start, double bearing, double distanceFt);
