#include "service/host_state.h"

namespace zarvo {

HostState::ControlStep HostState::onControl(uint32_t control) {
  switch (control) {
    case svc::kControlStop:
      stopRequested_ = true;
      // A request after the service stopped (a late shutdown) must not revive the state.
      if (record_.currentState != svc::kStopped) record_.currentState = svc::kStopPending;
      return {true, 2};
    case svc::kControlShutdown:
    case svc::kControlPreshutdown:
      stopRequested_ = true;
      preshutdownRequested_ = preshutdownRequested_ || control == svc::kControlPreshutdown;
      ++record_.checkPoint;
      if (record_.currentState != svc::kStopped) record_.currentState = svc::kStopPending;
      return {true, 1};
    default:
      return {false, 3};
  }
}

uint32_t HostState::handlerResult(uint32_t control) {
  switch (control) {
    case svc::kControlStop:
    case svc::kControlShutdown:
    case svc::kControlPreshutdown:
    case svc::kControlInterrogate:
      return 0;
    default:
      return svc::kCallNotImplemented;
  }
}

void HostState::childNotStarted() {
  record_.currentState = svc::kStopped;
  record_.win32ExitCode = svc::kServiceSpecificError;
  record_.serviceSpecificExitCode = svc::kChildNotStarted;
}

void HostState::stoppedBeforeChild() {
  record_.currentState = svc::kStopped;
}

bool HostState::childStarted() {
  if (stopRequested_) return false;
  record_.currentState = svc::kRunning;
  return true;
}

bool HostState::stopProgress() {
  if (!preshutdownRequested_ || record_.currentState != svc::kStopPending) return false;
  ++record_.checkPoint;
  return true;
}

bool HostState::childEnded(uint32_t exitCode) {
  if (exitCode != 0 && record_.currentState != svc::kStopPending) return false;
  record_.currentState = svc::kStopped;
  return true;
}

}  // namespace zarvo
