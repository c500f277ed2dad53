// The console commands that manage the executable's own entry in the Service Control Manager.
// Each works on the service named by ServiceName(), prints fixed English texts to standard
// output and returns the process exit code.
#pragma once

#include <cstdint>

#include "base/command_line.h"
#include "win/windows.h"

namespace zarvo {

// Stops and removes an existing installation first, then registers the executable (its quoted
// path, nothing after it) as an own-process service running as LocalSystem. 0 or 1.
int CmdInstall(uint32_t startType);
// Stops the service first. 0 when it was deleted, else 1.
int CmdUninstall(bool verbose);
// 0 when the stop was sent (whether or not the service stopped in time) or it was not running.
int CmdStop(bool verbose);
// `arguments` as the command dispatch left them: the service-name argument first, the start
// arguments after it. 0 when started or already running. Does not wait for the service.
int CmdStart(const ArgumentList& arguments);
// 0 running, 3 not running, 1 when the status or the configuration cannot be read.
int CmdStatus();

// Waits while the service is stop pending, as long as its wait hint and check point allow.
bool WaitForStop(SC_HANDLE service);

}  // namespace zarvo
