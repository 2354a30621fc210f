#pragma once
// Starts the stand-in simulator as a child process and talks to it through its standard
// input and output: one command line in, one answer line out. The process always ends with
// the object.
#include <string>
#include <vector>

class StandinProcess {
public:
  // Starts the stand-in with these arguments and waits for it to be ready; throws
  // std::runtime_error when it cannot start or reports an error.
  explicit StandinProcess(const std::vector<std::string>& arguments);
  ~StandinProcess();
  StandinProcess(const StandinProcess&) = delete;
  StandinProcess& operator=(const StandinProcess&) = delete;

  // Sends one command and returns the answer line; throws when none comes in time.
  std::string command(const std::string& line, int timeoutMs = 30000);
  // The TCP ports the stand-in listens on, -1 for none.
  int ipv4Port() const { return ipv4Port_; }
  int ipv6Port() const { return ipv6Port_; }
  // Asks the stand-in to exit and waits for it; true when it ended by itself in time.
  bool stop();

private:
  std::string lf_readLine(int timeoutMs);

  void* process_ = nullptr;
  void* input_ = nullptr;
  void* output_ = nullptr;
  std::string pending_;
  int ipv4Port_ = -1;
  int ipv6Port_ = -1;
};
