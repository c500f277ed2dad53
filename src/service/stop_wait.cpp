#include "service/stop_wait.h"

#include "service/host_state.h"

namespace zarvo {

bool WaitUntilStopped(const std::function<std::optional<PolledStatus>()>& query,
                      const StopWaitClock& clock) {
  std::optional<PolledStatus> status = query();
  if (!status) return false;
  for (;;) {
    const uint32_t start = clock.tickCount();
    const uint32_t checkPoint = status->checkPoint;
    for (;;) {
      if (status->currentState != svc::kStopPending) return status->currentState == svc::kStopped;
      clock.sleep(kStopPollMillis);
      status = query();
      if (!status) return false;
      if (status->checkPoint > checkPoint) break;  // progress: the allowance starts again
      // Unsigned difference: right across the tick count's wrap after 49.7 days.
      if (clock.tickCount() - start > status->waitHint) {
        return status->currentState == svc::kStopped;
      }
    }
  }
}

}  // namespace zarvo
