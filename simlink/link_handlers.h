#pragma once
// The handlers the dispatch hands the open reply and the user aircraft's replies to, and the
// user-stand memory the SimClient thread calls when it ends. SimClient thread only.
#include "core/log_throttle.h"
#include "simlink/simconnect/received_messages.h"
#include "simlink/user_state.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The simulator's numbers are checked before anything is computed with them; what is out of
// range is dropped with a log line, and a simulator that keeps sending such numbers must not
// fill the log. Flushed when the SimClient thread ends and by the run's reset.
extern LogThrottle badSimData;

// The open reply: shows the simulator and checks that it is the version the user installed.
// Throws hvm::UserErrorException 78 for MSFS or a simulator of another version.
void gf_handleOpen(const ReceivedMessage& reply);

// The full user state (request 109) of the object objectId.
void gf_handleUserAcState(std::uint32_t objectId, const UserAcData& state);
// The per-second on-ground value (request 108).
void gf_handleUserOnGround(std::int64_t value);
void gf_handleUserAcTitle(const std::string& title);
// Throws hvm::UserErrorException 71 for an empty model and 73 when no model can be derived.
void gf_handleUserAcModel(const std::string& model);
// While the user aircraft stands still on a stand of the park airport, has that stand
// recorded as the user's stand there.
void gf_rememberUserStand();

// Seconds since 1970 of a simulator date: year (its low 16 bits, signed), day of the year
// (1 = 1 January) and seconds of the day, in the Gregorian calendar. Empty for a day outside
// 1..366 or seconds outside 0..86400 (a leap second included).
std::optional<std::int64_t> gf_simUtcSeconds(std::int64_t year, std::int64_t dayOfYear, std::int64_t secondsOfDay);
// The name of the first number of a full user state's position, attitude, heights and speed
// that is out of its range; empty when every one is within its range (the date is checked
// by gf_simUtcSeconds).
std::string_view gf_userStateOutOfRange(const UserAcData& state);
