// The service host's status record and how requests and the child's fate change it. The Win32
// side (service_host_win.cpp) keeps one HostState behind a lock, applies each event here and
// reports the record to the Service Control Manager when an event says so.
#pragma once

#include <cstdint>

namespace zarvo {

// The values of the Windows service status record that the host uses.
namespace svc {
inline constexpr uint32_t kStopped = 1;
inline constexpr uint32_t kStopPending = 3;
inline constexpr uint32_t kRunning = 4;
inline constexpr uint32_t kControlStop = 1;
inline constexpr uint32_t kControlShutdown = 5;
inline constexpr uint32_t kControlPreshutdown = 15;
inline constexpr uint32_t kControlInterrogate = 4;
inline constexpr uint32_t kCallNotImplemented = 120;  // ERROR_CALL_NOT_IMPLEMENTED
inline constexpr uint32_t kAcceptPreshutdown = 0x100;
inline constexpr uint32_t kServiceSpecificError = 1066;  // ERROR_SERVICE_SPECIFIC_ERROR
// The service-specific exit code when the child could not be started.
inline constexpr uint32_t kChildNotStarted = 5000;
}  // namespace svc

// Field for field the Windows SERVICE_STATUS record, with the host's initial values.
struct StatusRecord {
  uint32_t serviceType = 0x30;            // own-process and share-process bits
  uint32_t currentState = svc::kRunning;  // the host never reports start pending
  uint32_t controlsAccepted = 5;          // stop and shutdown
  uint32_t win32ExitCode = 0;
  uint32_t serviceSpecificExitCode = 0;
  uint32_t checkPoint = 0;
  uint32_t waitHint = 50000;  // milliseconds, also while stop pending
};

class HostState {
 public:
  HostState() = default;
  // With `acceptPreshutdown` the host also accepts the pre-shutdown control, which Windows sends
  // at system shutdown before the shutdown control and for which it waits as long as the
  // service's pre-shutdown timeout allows; the host treats it like the shutdown control.
  explicit HostState(bool acceptPreshutdown) {
    if (acceptPreshutdown) record_.controlsAccepted |= svc::kAcceptPreshutdown;
  }

  const StatusRecord& record() const { return record_; }
  bool stopRequested() const { return stopRequested_; }

  // A control request. The record is updated and is to be reported in every case.
  struct ControlStep {
    bool sendStopLine = false;
    int reportNumber = 3;  // names the request in the log line of a failed report
  };
  ControlStep onControl(uint32_t control);
  // What the extended control handler returns for a control: NO_ERROR for those it handles (and
  // the status query), ERROR_CALL_NOT_IMPLEMENTED for any other, as its contract says.
  static uint32_t handlerResult(uint32_t control);

  // The child could not be started (its command line, a pipe, the process creation failed):
  // stopped with a service-specific error.
  void childNotStarted();
  // A stop or shutdown request came before the child existed: the child is not started and the
  // service stops without an error.
  void stoppedBeforeChild();
  // The child runs: true when the running state is to be reported again. A stop request that
  // came in meanwhile keeps its stop-pending state (the child has the stop line already).
  bool childStarted();
  // Called at intervals while the host waits for its child: after a pre-shutdown request the
  // check point advances, so that the manager sees the stop progress for as long as the
  // pre-shutdown timeout allows rather than only for one wait hint. True when the record is to be
  // reported. A stop or shutdown keeps its check point: a stop command waits one wait hint.
  bool stopProgress();
  // The child ended with `exitCode`: true when the service is to be reported stopped (exit code
  // 0, or any code after a stop request). Otherwise the child ended by itself with an error,
  // nothing is reported, and the Service Control Manager sees the service end unexpectedly.
  bool childEnded(uint32_t exitCode);

 private:
  StatusRecord record_;
  bool stopRequested_ = false;
  bool preshutdownRequested_ = false;
};

}  // namespace zarvo
