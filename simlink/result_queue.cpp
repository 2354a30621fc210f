#include "simlink/result_queue.h"

SimResultQueue simResults;

void gf_pushSimResult(const SimResultData& result) {
  std::lock_guard lock(simResults.resultMutex);
  simResults.results.push_back(result);
}

SimResultData gf_createFailedResult(std::int32_t hexId, CreateFailure why) {
  return {0, hexId, 0, simResultCreateFailed, static_cast<double>(static_cast<std::int32_t>(why)), 0.0};
}

CreateFailure gf_createFailure(const SimResultData& result) {
  // The x of results of other origins (0 by default) reads as the simulator's refusal.
  const double x = result.x;
  for (const CreateFailure why :
       {CreateFailure::titleTooLong, CreateFailure::callsignTooLong, CreateFailure::notIdentified})
    if (x == static_cast<double>(static_cast<std::int32_t>(why))) return why;
  return CreateFailure::refusedBySimulator;
}

bool gf_titleUncreatable(const SimResultData& result) {
  const CreateFailure why = gf_createFailure(result);
  return why == CreateFailure::refusedBySimulator || why == CreateFailure::titleTooLong;
}
