// Where errors are shown: message boxes until the configuration says otherwise.
#pragma once

#include <string>

namespace zarvo {

// True from process start; LoadConfiguration clears it unless the executable kind (key 107) is
// 1 or 5, and errors then go to the console or the standard error stream.
bool GuiErrorMode();
void SetGuiErrorMode(bool on);

// Deletes the directory's files and, one level down, its sub-directories' files and the
// sub-directories that are then empty. Paths that are empty or begin with '.' are left alone:
// a relative path would be taken against whatever the current directory is. Links are removed
// themselves, never entered.
void EmptyDirectory(const std::string& directory, bool recurse);

// Empties and removes the launcher's temporary directory, when there is one, and forgets it:
// what TerminateLauncher does before the process ends, and what a command does that extracted
// the included files only to look at them.
void RemoveLauncherTempDir();

}  // namespace zarvo
