// The temporary base directory, the launcher's temporary files and its temporary directory
// (Windows shell). The names come from paths/temp_names.h, the search order from
// paths/temp_search.h.
#pragma once

#include <string>

#include "paths/temp_names.h"
#include "win/unique_handle.h"

namespace zarvo {

// Whether a directory can be created inside `candidate` and found again. The test directory
// ("<candidate>\zvotw<pid><random>") is removed again either way.
bool ProbeTempDirA(const std::string& candidate);
bool ProbeTempDir(const std::u16string& candidate);

// The narrow temporary base (cached): the first usable directory of the search, in long form
// when the configuration asks for it (key::kLongTempPath). Nothing usable is fatal
// (msg::kNeedPowerUser).
const std::string& GetTempBaseA();

// The wide temporary base (cached once found); empty when nothing is usable, and then fatal
// when `fatal` is set. It never logs: the log's own set-up calls it, before logging works.
const std::u16string& GetTempBase(bool fatal);

// A new temporary file in the narrow base ("zvoXXXX.tmp", created empty by GetTempFileName);
// when that fails, a name "<base>\zvo<random>" for which no file is created.
std::string MakeTempFileName();

// A new, empty file in the narrow temporary base that only this account, SYSTEM and the
// Administrators can open, made under a name that did not exist (never opened through one that
// did), open for reading, writing and deletion and shared both ways; its name goes to `name`. A
// null handle when ten names failed. `inheritHandle` lets a child process write to it.
UniqueFile CreatePrivateTempFile(std::string& name, bool inheritHandle);

// Creates the launcher's temporary directory "<temp file>_dir<seconds>" and stores it in
// LauncherTempDir; ten failed attempts are fatal (msg::kInternalError). The temp file is the
// directory's owner marker: private, naming this executable (its module path in UTF-16), and
// held open by this process without delete sharing until the process ends.
void CreateLauncherTempDir();

// Deletes the owner marker of this process's temporary directory, when it made one.
void DeleteLauncherTempDirMarker();

// Marks an open file for deletion when its last handle closes; false when the system refuses.
bool DeleteOpenFile(HANDLE file);

// Forgets the cached temporary bases (tests).
void ResetTempBaseCaches();

}  // namespace zarvo
