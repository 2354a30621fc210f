#include "feeds/sockets.h"

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = other.handle_;
    other.handle_ = invalidSocketHandle;
  }
  return *this;
}
