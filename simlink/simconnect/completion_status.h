#pragma once
// What one completed read or write means for its connection. Windows hands the completion
// routine NTSTATUS values, Wine hands it Win32 error codes: both are understood, and every
// failure becomes a negative status, so a lost connection never reads as success.
#include <cstdint>

// Reasons a connection closes, kept with it for the log.
enum CloseReason : std::int32_t {
  closeByClient = 0,     // the client closed it
  closeTooLarge = 1,     // a message larger than the receive limit
  closeBadSize = 2,      // a message size of 1 to 3
  closeNoMemory = 3,     // no memory for a message
  closePeerClosed = 4,   // a completion with 0 bytes
  closeDisconnected = 5, // remote disconnect, broken pipe or connection reset
  closeIoFailed = 6,     // a read or write could not even be started
  closeCancelled = 8,    // the I/O was cancelled
  closeOtherError = 9,   // any other completion error
};

inline constexpr std::int32_t statusPeerClosed = static_cast<std::int32_t>(0xC000013E);
inline constexpr std::int32_t statusCancelled = static_cast<std::int32_t>(0xC0000120);
inline constexpr std::int32_t statusRemoteDisconnect = static_cast<std::int32_t>(0xC000013C);
inline constexpr std::int32_t statusPipeBroken = static_cast<std::int32_t>(0xC000014B);
inline constexpr std::int32_t statusConnectionReset = static_cast<std::int32_t>(0xC000020D);

struct CompletionOutcome {
  std::int32_t reason = 0; // 0: the operation succeeded and the connection goes on
  std::int32_t status = 0; // the negative status to close with
};

CompletionOutcome gf_completionOutcome(std::uint32_t code, std::uint32_t bytes);
// The negative status for a failure code: an NTSTATUS or HRESULT as it is, a Win32 error
// code as its HRESULT.
std::int32_t gf_failureStatus(std::uint32_t code);
