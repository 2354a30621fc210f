#pragma once
// A small HTTP server on 127.0.0.1 for download tests and the demo's stand-in archive. It
// answers from a table of paths, and from folders served below a path, and can misbehave:
// a wrong status, a redirect, a body cut short, or no answer at all.
#include "support/test_socket.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace testing_support {

class TestHttpServer {
public:
  enum class Behaviour {
    Answer,   // status line, headers and the whole body
    CutShort, // announces the whole body, sends half of it and closes
    NoAnswer, // takes the request and never answers
  };
  struct Reply {
    Reply(int status = 200, std::string body = {}, std::string location = {}, Behaviour behaviour = Behaviour::Answer)
        : status(status), body(std::move(body)), location(std::move(location)), behaviour(behaviour) {}
    int status;
    std::string body;
    std::string location; // sent as Location (a redirect)
    Behaviour behaviour;
  };

  // Port 0: one the system picks.
  explicit TestHttpServer(std::uint16_t port = 0);
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;
  ~TestHttpServer();

  // "http://127.0.0.1:PORT" followed by the path (which begins with '/').
  std::string url(std::string_view path) const;
  // Paths not in the table get 404 with an HTML page.
  void serve(const std::string& path, Reply reply);
  // Paths that begin with the prefix (which ends with '/') and are in no table get the file
  // of the rest of the path in the folder, read at the time of the request; 404 when there
  // is none, or when the rest leaves the folder.
  void serveFolder(const std::string& prefix, const std::filesystem::path& folder);
  std::uint16_t port() const { return port_; }
  int requestCount(const std::string& path) const;

private:
  void run();
  void answer(socket::Handle connection);

  std::uint16_t port_ = 0;
  socket::Handle listener_ = socket::invalidHandle;
  mutable std::mutex mutex_;
  std::map<std::string, Reply> replies_;
  std::map<std::string, std::filesystem::path> folders_;
  std::map<std::string, int> counts_;
  std::vector<socket::Handle> held_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

} // namespace testing_support
