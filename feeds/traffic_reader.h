#pragma once
// The Traffic Reader: RealTraffic's traffic lines (UDP 49005) become traffic reports.
#include "core/geodesy.h"
#include "feeds/traffic_line.h"
#include "feeds/udp_reader.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

inline constexpr std::int32_t trafficPort = 49005;

class TrafficReader final : public UdpReader {
public:
  TrafficReader();

  // Written by the worker thread and live traffic, read for every line.
  void setReference(const GeoPosition& position);
  void setParkAirport(const std::optional<GeoPosition>& position);
  void setParkElevation(const std::optional<double>& elevationFt);
  // The reader's context of the next line, with the current range.
  TrafficLineContext context() const;

  // A collection of the callsigns the feed reports: started by emptying the set and
  // setting the flag, ended by clearing the flag and taking the set.
  void startCallsignCollection();
  std::unordered_set<std::string> takeCollectedCallsigns();
  std::atomic<bool> collectCallsigns{false};

  // The report time of the last line whose time could be read; 0 after a feed reset.
  std::atomic<double> lineTimestamp{0.0};

  // The feed reset's part of this reader.
  void resetFeed();

  // One traffic line, as a datagram would bring it.
  void handleLine(std::string_view line);

protected:
  void onDatagram() override;
  void onListening() override;
  void onStopped() override;

private:
  void processLineSub(std::string_view line);

  std::vector<std::string_view> fields;
  mutable std::mutex contextMutex;
  GeoPosition reference;
  std::optional<GeoPosition> parkAirport;
  std::optional<double> parkElevation;
  std::mutex callsignMutex;
  std::unordered_set<std::string> callsigns;
};

extern TrafficReader trafficReader;

// The Traffic Reader's thread procedure.
void gf_runTrafficReader(std::int32_t port);
