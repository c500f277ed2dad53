// The service host: what runs in the process the Service Control Manager starts. It starts a
// second copy of the executable as its child (which runs the Java application), reports the
// service status, forwards stop and shutdown requests to the child as one line on the child's
// standard input, and reports the service stopped when the child has ended.
#pragma once

#include "win/windows.h"

namespace zarvo {

// The service entry that the dispatcher runs on a thread of its own; argv[0] is the service
// name, the rest are the start arguments.
void WINAPI ServiceMain(DWORD argc, LPWSTR* argv);

// Waits, at most `timeoutMillis`, for a ServiceMain that has begun to finish. The dispatcher
// returns on the main thread as soon as the service reports stopped, while ServiceMain still
// closes its handles, logs and ends the process itself; without the wait the main thread's exit
// would cut that short.
void WaitForServiceMain(DWORD timeoutMillis);

// Runs on the dispatcher thread: reports stop pending first, then sends the stop line.
void WINAPI ServiceControlHandler(DWORD control);

// The form the dispatcher calls (registered with RegisterServiceCtrlHandlerExW, which the
// pre-shutdown control needs): passes the control on to ServiceControlHandler.
DWORD WINAPI ServiceControlHandlerEx(DWORD control, DWORD eventType, LPVOID eventData,
                                     LPVOID context);

// Writes the stop line ("0" and a line feed for code 0) to the child's standard input and
// closes it, so that the child reads end-of-file after the line.
void SendShutdown(int code);

// Drains the child's output until the pipe breaks, keeping its last bytes when the configuration
// asks for an event log entry on the child's failure; owns (and closes) `readEnd`.
DWORD WINAPI OutputConsumer(LPVOID readEnd);

// For tests: a function that ServiceMain calls after its first status report, right before it
// hands the child's input pipe over and starts the child, so that a test can hold the service
// in the moment before the child exists. None by default.
void SetBeforeChildStartHook(void (*hook)());

// Swallows every console event, so that the default handling never ends the process; the
// service host decides how the application stops. The child registers it too.
BOOL WINAPI ConsoleCtrlHandler(DWORD event);

}  // namespace zarvo
