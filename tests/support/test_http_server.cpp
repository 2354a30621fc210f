#include "support/test_http_server.h"

#include <chrono>
#include <fmt/format.h>

namespace testing_support {

namespace {

std::string lf_reason(int status) {
  switch (status) {
  case 200:
    return "OK";
  case 301:
    return "Moved Permanently";
  case 302:
    return "Found";
  case 404:
    return "Not Found";
  case 500:
    return "Internal Server Error";
  default:
    return "Status";
  }
}

// The request's path, or empty when no whole request head arrived in time.
std::string lf_readRequestPath(socket::Handle connection) {
  std::string head;
  char buffer[2048];
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (head.find("\r\n\r\n") == std::string::npos) {
    if (std::chrono::steady_clock::now() > deadline) return {};
    if (!socket::waitReadable(connection, 100)) continue;
    const auto got = socket::receive(connection, buffer, sizeof buffer);
    if (got <= 0) return {};
    head.append(buffer, static_cast<std::size_t>(got));
  }
  const auto first = head.find(' ');
  const auto second = head.find(' ', first + 1);
  if (first == std::string::npos || second == std::string::npos) return {};
  return head.substr(first + 1, second - first - 1);
}

} // namespace

TestHttpServer::TestHttpServer() {
  listener_ = socket::listenOnLoopback(port_);
  thread_ = std::thread([this] { run(); });
}

TestHttpServer::~TestHttpServer() {
  stop_ = true;
  thread_.join();
  for (const auto handle : held_) socket::closeSocket(handle);
  socket::closeSocket(listener_);
}

std::string TestHttpServer::url(std::string_view path) const {
  return fmt::format("http://127.0.0.1:{}{}", port_, path);
}

void TestHttpServer::serve(const std::string& path, Reply reply) {
  std::lock_guard lock(mutex_);
  replies_.insert_or_assign(path, std::move(reply));
}

int TestHttpServer::requestCount(const std::string& path) const {
  std::lock_guard lock(mutex_);
  const auto found = counts_.find(path);
  return found == counts_.end() ? 0 : found->second;
}

void TestHttpServer::run() {
  while (!stop_) {
    if (!socket::waitReadable(listener_, 50)) continue;
    const auto connection = socket::acceptOne(listener_);
    if (connection != socket::invalidHandle) answer(connection);
  }
}

void TestHttpServer::answer(socket::Handle connection) {
  const auto path = lf_readRequestPath(connection);
  Reply reply{404, "<html><body>Not Found</body></html>", {}, Behaviour::Answer};
  {
    std::lock_guard lock(mutex_);
    ++counts_[path];
    if (const auto found = replies_.find(path); found != replies_.end()) reply = found->second;
  }
  if (reply.behaviour == Behaviour::NoAnswer) {
    held_.push_back(connection); // closed when the server stops
    return;
  }
  std::string head = fmt::format("HTTP/1.1 {} {}\r\nContent-Length: {}\r\nConnection: close\r\n", reply.status,
                                 lf_reason(reply.status), reply.body.size());
  if (!reply.location.empty()) head += fmt::format("Location: {}\r\n", reply.location);
  head += "\r\n";
  const auto body = reply.behaviour == Behaviour::CutShort
                        ? std::string_view(reply.body).substr(0, reply.body.size() / 2)
                        : std::string_view(reply.body);
  socket::sendAll(connection, head) && socket::sendAll(connection, body);
  socket::closeSocket(connection);
}

} // namespace testing_support
