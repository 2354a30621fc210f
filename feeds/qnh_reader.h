#pragma once
// The QNH Reader: RealTraffic's weather datagrams (UDP 49004, JSON) give the local air
// pressure, in hectopascals or in inches of mercury x 100.
#include "feeds/qnh_datagram.h"
#include "feeds/udp_reader.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::int32_t qnhPort = 49004;

// The QNH live traffic corrects the altitudes of descending traffic with; its reset puts
// it back to 1013.
extern std::atomic<std::int32_t> trafficQnh;

class QnhReader final : public UdpReader {
public:
  QnhReader();
  // A new value (or 1013 again) goes to live traffic and the window.
  void publish(std::int32_t hpa);
  void resetFeed();
  std::atomic<std::int32_t> lastQnh{standardQnh};

protected:
  void onDatagram() override;
  void onListening() override;
  void onStopped() override;
};

extern QnhReader qnhReader;

// The QNH Reader's thread procedure.
void gf_runQnhReader(std::int32_t port);
