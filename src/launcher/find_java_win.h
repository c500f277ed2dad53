// The command that explains the Java search: it runs the search a start runs (with the version
// cache and the library probing), prints what it considered and why, and starts nothing.
#pragma once

namespace zarvo {

// 0 when a runtime would be loaded, 1 when none would.
int CmdFindJava();

}  // namespace zarvo
