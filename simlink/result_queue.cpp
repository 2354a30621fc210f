#include "simlink/result_queue.h"

SimResultQueue simResults;

void gf_pushSimResult(const SimResultData& result) {
  std::lock_guard lock(simResults.resultMutex);
  simResults.results.push_back(result);
}
