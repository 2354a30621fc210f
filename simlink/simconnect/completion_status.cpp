#include "simlink/simconnect/completion_status.h"

namespace {

// Win32 error codes that stand for the NTSTATUS values above.
enum : std::uint32_t {
  errorNetnameDeleted = 64,
  errorBrokenPipe = 109,
  errorNoData = 232,
  errorPipeNotConnected = 233,
  errorMoreData = 234,
  errorOperationAborted = 995,
  errorConnectionAborted = 1236,
  wsaConnectionAborted = 10053,
  wsaConnectionReset = 10054,
  statusBufferOverflow = 0x80000005, // a pipe message longer than the read: the rest follows
};

} // namespace

std::int32_t gf_failureStatus(std::uint32_t code) {
  if (code & 0x80000000u) return static_cast<std::int32_t>(code);
  if (code == 0) return static_cast<std::int32_t>(0x80004005); // a failure without a code
  return static_cast<std::int32_t>(0x80070000u | (code & 0xFFFFu));
}

CompletionOutcome gf_completionOutcome(std::uint32_t code, std::uint32_t bytes) {
  switch (code) {
  case 0:
  case errorMoreData:
  case statusBufferOverflow:
    if (bytes == 0) return {closePeerClosed, statusPeerClosed};
    return {};
  case 0xC0000120u:
  case errorOperationAborted:
    return {closeCancelled, statusCancelled};
  case 0xC000013Cu:
  case errorNetnameDeleted:
    return {closeDisconnected, statusRemoteDisconnect};
  case 0xC000014Bu:
  case errorBrokenPipe:
  case errorNoData:
  case errorPipeNotConnected:
    return {closeDisconnected, statusPipeBroken};
  case 0xC000020Du:
  case errorConnectionAborted:
  case wsaConnectionAborted:
  case wsaConnectionReset:
    return {closeDisconnected, statusConnectionReset};
  default:
    return {closeOtherError, gf_failureStatus(code)};
  }
}
