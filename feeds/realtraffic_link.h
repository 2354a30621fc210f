#pragma once
// The TCP link to RealTraffic on this PC: Hivemoor is the server; RealTraffic connects,
// learns the user's position ("Qs121") and the simulator's time ("Qs123"), and tells its
// edition and version in reply to "Qs999=version". Everything here runs on the worker thread.
#include "feeds/sockets.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

// The user aircraft as RealTraffic learns it: degrees, radians, feet and knots.
struct UserPosition {
  double latitude = 0.0;
  double longitude = 0.0;
  double pitch = 0.0;   // radians
  double bank = 0.0;    // radians
  double heading = 0.0; // true, radians
  double altitude = 0.0;
  double groundSpeed = 0.0;
};

struct RealTrafficLink {
  // A client is accepted and no send has failed since.
  std::atomic<bool> connected{false};
  // RealTraffic was found on this PC: the readers then listen on the loopback address only.
  std::atomic<bool> detected{false};
  // The version reply said level 2: the traffic clock then follows the lines' times.
  std::atomic<bool> professional{false};
  // Shown in the window; while it is clear the lamp watchdog does nothing.
  std::atomic<bool> linkUp{false};
  // Set by the run reset, cleared when RealTraffic connects.
  std::atomic<bool> scanNow{true};
  // How long the version reply may take.
  std::int32_t replyTimeoutMs = 5000;

  // Accepts RealTraffic's connection; false when already connected, on a failure, or
  // when the run stops while it waits.
  bool waitForClient();
  // Sends one message; a failure closes the client side and returns false.
  bool sendDataPacket(const std::string& text);
  // One reply, read until it is complete, the peer closes or the time is up; empty on failure.
  std::string receive();

  std::optional<SocketLibrary> winsock;
  Socket listenSocket;
  Socket clientSocket;
};

extern RealTrafficLink realTrafficLink;

// "RT prof edition: 9.0.1", shown in the window.
std::string gf_realTrafficEditionText();
void gf_setRealTrafficEditionText(const std::string& text);

// Opens the listening socket on the loopback address; throws with the socket error's text.
void gf_startRealTrafficServer(const std::string& port);
// The first connection of a run, with the version handshake.
void gf_waitForRealTraffic();
// Sets `professional` and the edition text from the reply to "Qs999=version"; a reply
// that is not JSON, or whose members have the wrong kinds, throws.
void gf_parseVersionReply(const std::string& reply);
// The simulator's UTC time in seconds; sent in milliseconds.
void gf_sendSimTime(std::int64_t seconds);
// Sends the user's position, or waits for RealTraffic to come back when the link is down.
void gf_sendUserPosition(const UserPosition& user);
std::string gf_userPositionMessage(const UserPosition& user);
// The end of a run: "exit" to RealTraffic while connected, both sockets closed.
void gf_closeRealTrafficLink();
