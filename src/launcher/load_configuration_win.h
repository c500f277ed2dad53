// Reading the launcher's own executable: its ConfigBlock at start-up, and later the included
// files stored after it.
#pragma once

#include "win/unique_handle.h"

namespace zarvo {

// The running executable, opened for reading. Ends the process with "Error opening media file."
// when it cannot be opened.
UniqueFile OpenOwnExecutable();

// Fills LauncherConfig and MessageTable from the ConfigBlock, sets the end offset of the block
// and decides where errors are shown. Every failure ends the process with its fatal text.
void LoadConfiguration();

}  // namespace zarvo
