// How the stop command waits for a service to stop: as long as the service keeps its promise.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace zarvo {

struct PolledStatus {
  uint32_t currentState = 0;
  uint32_t checkPoint = 0;
  uint32_t waitHint = 0;  // milliseconds
};

struct StopWaitClock {
  std::function<uint32_t()> tickCount;  // milliseconds, wrapping like GetTickCount
  std::function<void(uint32_t millis)> sleep;
};

inline constexpr uint32_t kStopPollMillis = 500;

// Polls with `query` every kStopPollMillis while the service is stop pending. A check point
// that advances restarts the allowance; without progress the wait ends once more time than the
// latest wait hint has passed. True when the service ended stopped; false when it did not, or
// when a query failed.
bool WaitUntilStopped(const std::function<std::optional<PolledStatus>()>& query,
                      const StopWaitClock& clock);

}  // namespace zarvo
