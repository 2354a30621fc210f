#include "simlink/simconnect/client.h"

// No simulator runs on this platform: opening always fails, as with no simulator started.
std::int32_t gf_openSimConnectTransport(std::uint32_t, std::shared_ptr<SimConnectTransport>& transport) {
  transport.reset();
  return 1;
}

void gf_settleAfterClientClose(bool) {}
