#pragma once
// The results the SimClient thread hands to live traffic: created objects, removed objects,
// ground data of the aircraft in range, static CG data and refused creations. The SimClient
// thread appends one result at a time under resultMutex; live traffic takes them all at the
// start of each tick under the same mutex. Where both are held, resultMutex is taken before
// the command mutex; the SimClient thread never holds both.
#include <cstdint>
#include <mutex>
#include <vector>

enum SimResultCode : std::int32_t {
  simResultLiveCreated = 0,   // objectId, value hexId (above 10000), y altitude above ground ft
  simResultStaticCreated = 1, // objectId, value hexId (1..10000)
  simResultRemoved = 2,       // objectId
  simResultGroundData = 3,    // objectId, value on-ground 0/1, x ground altitude ft, y altitude above ground ft
  simResultStaticCg = 4,      // objectId, x static CG to ground ft, y static pitch rad
  simResultCreateFailed = 6,  // value hexId of the refused creation
};

struct SimResultData {
  std::int32_t objectId = 0;
  std::int32_t value = 0;
  std::int32_t counter = 0; // always 0 from the link; live traffic counts with it
  std::int32_t code = 0;
  double x = 0.0;
  double y = 0.0;
  bool operator==(const SimResultData&) const = default;
};

struct SimResultQueue {
  std::mutex resultMutex;
  std::vector<SimResultData> results;
};

extern SimResultQueue simResults;

void gf_pushSimResult(const SimResultData& result);
