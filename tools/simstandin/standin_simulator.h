#pragma once
// The stand-in's simulator: a small world of aircraft (the user's and those the clients
// create), the sessions of the connected clients, what it answers to each packet, and the
// faults a test can ask for. Transports hand it connected links.
#include "standin_protocol.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <fstream>
#include <functional>
#include <istream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace standin {

// One connected client, as the transport gives it.
class Link {
public:
  virtual ~Link() = default;
  // Writes all bytes; false when the connection is gone.
  virtual bool write(const std::uint8_t* data, std::size_t size) = 0;
  // Blocks for at least one byte; 0 when the peer closed, negative on an error.
  virtual int read(std::uint8_t* buffer, std::size_t size) = 0;
  // Ends the connection from this side (the client sees it lost); unblocks read.
  virtual void drop() = 0;
  virtual const char* transport() const = 0;
};

struct Options {
  std::string name = "Lockheed Martin\xC2\xAE Prepar3D\xC2\xAE v5";
  std::uint32_t version[4] = {5, 4, 9, 28482};
  double frameRate = 30.0;
  bool simRunning = true;
  // A creation whose title contains one of these is refused (exception 22).
  std::vector<std::string> failTitles{"UNCREATABLE"};
  // How long after a creation its ObjectAdded event comes; 0: with the creation's answer.
  int addDelayMs = 0;
  // Static CG height of every aircraft: on the ground means within 1 ft of ground + CG.
  double cgHeight = 5.5;
  std::uint32_t userObjectId = 1;
  std::string userTitle = "Stand-in Boeing 737-800";
  std::string userModel = "B738";
  std::string userAtcId = "STANDIN";
  double userLatitude = 33.9425;
  double userLongitude = -118.4081;
  double groundAltitude = 125.0;
  double userAltitude = 125.0;
  std::string recordPath;
};

// One object of the world with what the clients did to it.
struct Aircraft {
  std::uint32_t id = 0;
  std::string title;
  std::string atcId;
  double latitude = 0, longitude = 0, altitude = 0, pitch = 0, bank = 0, heading = 0;
  double verticalSpeed = 0, airspeed = 0, groundVelocity = 0;
  bool onGround = true;
  bool user = false;
  int createdBy = 0; // the session that created it; 0 for the user's and the stand-in's own
  std::uint64_t createdSeq = 0;
  bool removed = false;
  std::uint32_t released = 0;
  bool frozenLatLon = false;
  bool frozenAltitude = false;
  bool frozenAttitude = false;
  std::uint64_t positions = 0;
  std::chrono::steady_clock::time_point lastRecordedPosition{};
  std::vector<std::pair<std::string, std::uint32_t>> events; // in the order they came
  std::string flightPlan;
};

struct Datum {
  std::string name;
  std::string units;
  std::uint32_t type = 0;
};

struct Session {
  int number = 0;
  std::unique_ptr<Link> link;
  std::atomic<bool> open{true};
  std::mutex writeMutex;
  // Guarded by stateMutex.
  std::mutex stateMutex;
  std::uint32_t lastPacketId = 0;
  bool opened = false;
  std::map<std::uint32_t, std::vector<Datum>> definitions;
  std::map<std::string, std::uint32_t> subscriptions; // lower-case system event name -> client event id
  std::map<std::uint32_t, std::string> mappedEvents;  // client event id -> simulator event name
  // Messages sent later (ObjectAdded after the configured delay).
  struct Delayed {
    std::chrono::steady_clock::time_point due;
    Bytes message;
  };
  std::vector<Delayed> delayed;
  // The last Frame sent and the positions that arrived after it.
  struct FrameTiming {
    bool open = false;
    std::chrono::steady_clock::time_point sentAt{};
    std::chrono::steady_clock::time_point lastPosition{};
    std::uint32_t positions = 0;
  };
  FrameTiming frame;
  std::uint64_t framesSent = 0;
  // While tracing: every Frame's send time and every position's arrival, for matching them
  // with the number of positions the client says it sent for each frame.
  bool tracing = false;
  std::vector<std::chrono::steady_clock::time_point> tracedFrames;
  std::vector<std::chrono::steady_clock::time_point> tracedPositions;
  struct Periodic {
    std::uint32_t requestId, definitionId, objectId;
    std::chrono::steady_clock::time_point next;
  };
  std::vector<Periodic> periodic;
  std::condition_variable wake;
  std::thread reader;
  std::thread timer;
  std::thread flooder;
};

class Simulator {
public:
  explicit Simulator(Options options);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Serves one connected client on threads of its own.
  void serve(std::unique_ptr<Link> link);
  // New connections are ended at once while refusing.
  bool refusing() const { return refusing_.load(); }
  // One command line of the test; returns the reply line.
  std::string command(const std::string& line);
  // Ends every session and joins its threads.
  void shutdown();

private:
  void lf_readLoop(Session& session);
  void lf_timerLoop(Session& session);
  void lf_handle(Session& session, const Bytes& bytes, std::chrono::steady_clock::time_point arrived);
  // The many positions of a frame without decoding them into a record: true when handled.
  bool lf_fastPosition(Session& session, const Bytes& bytes, std::chrono::steady_clock::time_point arrived);
  // Answers one valid packet; false when the packet is left out of the record (a position
  // sampled away).
  bool lf_answer(Session& session, const Packet& packet, std::vector<Bytes>& replies);
  void lf_send(Session& session, const Bytes& message);
  void lf_sendJoined(Session& session, const Bytes& message);
  void lf_broadcastEvent(const std::string& eventName, const std::function<Bytes(std::uint32_t)>& make);
  Bytes lf_block(const std::vector<Datum>& datums, const Aircraft& aircraft) const;
  const Aircraft* lf_object(std::uint32_t objectId) const;
  // The object a command of the session aims at: one it created and that still exists.
  // Anything else (the user aircraft, an unknown, removed or foreign object) is recorded as a
  // violation and gives null.
  Aircraft* lf_target(const Session& session, const Packet& packet, std::uint32_t objectId);
  void lf_violation(const Session& session, const Packet& packet, std::uint32_t objectId, const char* why);
  void lf_applyEvent(Aircraft& a, const std::string& eventName, std::uint32_t data);
  void lf_settle(Aircraft& a) const;
  // The frame timing; both called holding the session's state mutex.
  void lf_frameSent(Session& session, std::chrono::steady_clock::time_point now);
  void lf_positionArrived(Session& session, std::chrono::steady_clock::time_point arrived);
  void lf_finishFrame(const Session::FrameTiming& frame);
  std::string lf_frameMatch(std::istream& counts);
  nlohmann::json lf_objectTable();
  void lf_record(const nlohmann::json& line);
  std::vector<std::shared_ptr<Session>> lf_sessions();

  Options options_;
  std::mutex worldMutex_;
  std::map<std::uint32_t, Aircraft> aircraft_; // guarded by worldMutex_, the user's included
  std::uint32_t nextObjectId_ = 1001;
  std::mutex sessionsMutex_;
  std::vector<std::shared_ptr<Session>> sessions_;
  int nextSession_ = 1;
  std::mutex recordMutex_;
  std::ofstream record_;
  std::uint64_t recordSeq_ = 0;
  std::atomic<bool> refusing_{false};
  std::atomic<bool> shutDown_{false};
  std::atomic<bool> split_{false};
  std::atomic<double> frameRate_;
  std::atomic<int> addDelayMs_;
  std::mutex violationsMutex_;
  std::uint64_t violationCount_ = 0;
  std::vector<nlohmann::json> violations_; // the first ones, for the tests
  // Per finished frame: milliseconds from the Frame's send to its last position packet, and
  // how many positions arrived in it (the positions that arrive until the next Frame).
  std::mutex latencyMutex_;
  std::vector<std::pair<double, std::uint32_t>> frameLatencies_;
  std::mutex countMutex_;
  std::condition_variable counted_;
  std::uint64_t packets_ = 0;
  std::uint64_t dataPackets_ = 0;
  std::uint64_t invalidPackets_ = 0;
};

} // namespace standin
