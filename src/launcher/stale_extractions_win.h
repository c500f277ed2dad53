// The extraction directories that earlier starts of this executable left behind.
#pragma once

namespace zarvo {

// Removes the extraction directories of this executable whose launcher has ended: those in the
// temporary base whose owner marker (paths/temp_dir.h) names this executable and is no longer
// held open. A directory in use, one of another executable or account, one without a marker and
// a link are left alone. Without it, every start of a service with included files would leave a
// directory behind, and a restart policy would fill the disk.
void RemoveStaleExtractionDirectories();

}  // namespace zarvo
