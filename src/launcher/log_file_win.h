// The diagnostic log file: on when "ZARVO_LOG" or "KESTRIX_LOG" is "yes", written to a numbered
// file in the temporary base. Installed by the process entry before anything logs.
#pragma once

namespace zarvo {

void InstallFileLog();

}  // namespace zarvo
