#pragma once
// Where the stand-in listens: the simulator's named pipe and TCP on 127.0.0.1 and ::1.
#include "standin_simulator.h"

#include <memory>
#include <string>

namespace standin {

struct ServerOptions {
  std::string pipeName; // empty: no pipe
  int ipv4Port = -1;    // -1: none, 0: any free port
  int ipv6Port = -1;
};

class Servers {
public:
  virtual ~Servers() = default;
  virtual int ipv4Port() const = 0;
  virtual int ipv6Port() const = 0;
  // Stops listening; sessions are the simulator's to end.
  virtual void stop() = 0;
};

// Starts listening; throws std::runtime_error when a server cannot start.
std::unique_ptr<Servers> startServers(const ServerOptions& options, Simulator& simulator);

} // namespace standin
