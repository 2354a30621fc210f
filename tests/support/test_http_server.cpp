#include "support/test_http_server.h"

#include <chrono>
#include <fmt/format.h>
#include <fstream>
#include <optional>
#include <sstream>

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

// The file a path names below a served folder: no empty, "." or ".." part, no '\\' or ':'.
std::optional<std::string> lf_readServedFile(const std::filesystem::path& folder, std::string_view rest) {
  if (rest.empty() || rest.find_first_of("\\:") != std::string_view::npos) return std::nullopt;
  std::filesystem::path file = folder;
  std::size_t start = 0;
  while (start <= rest.size()) {
    const auto slash = rest.find('/', start);
    const auto part = rest.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
    if (part.empty() || part == "." || part == "..") return std::nullopt;
    file /= std::string(part);
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in || !std::filesystem::is_regular_file(file)) return std::nullopt;
  std::ostringstream body;
  body << in.rdbuf();
  return body.str();
}

// "%20" and the other escapes of a request path.
std::string lf_unescape(std::string_view path) {
  std::string text;
  for (std::size_t k = 0; k < path.size(); ++k) {
    const auto hex = [](char c) {
      return c >= '0' && c <= '9'   ? c - '0'
             : c >= 'A' && c <= 'F' ? c - 'A' + 10
             : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                    : -1;
    };
    if (path[k] == '%' && k + 2 < path.size() && hex(path[k + 1]) >= 0 && hex(path[k + 2]) >= 0) {
      text += static_cast<char>(hex(path[k + 1]) * 16 + hex(path[k + 2]));
      k += 2;
    } else {
      text += path[k];
    }
  }
  return text;
}

} // namespace

TestHttpServer::TestHttpServer(std::uint16_t port) : port_(port) {
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

void TestHttpServer::serveFolder(const std::string& prefix, const std::filesystem::path& folder) {
  std::lock_guard lock(mutex_);
  folders_.insert_or_assign(prefix, folder);
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
    if (const auto found = replies_.find(path); found != replies_.end()) {
      reply = found->second;
    } else {
      const auto decoded = lf_unescape(path);
      for (const auto& [prefix, folder] : folders_) {
        if (!decoded.starts_with(prefix)) continue;
        if (auto body = lf_readServedFile(folder, std::string_view(decoded).substr(prefix.size())))
          reply = Reply{200, std::move(*body)};
        break;
      }
    }
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
