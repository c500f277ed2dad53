// The name of the semaphore that every running copy of an executable holds. It derives from the
// executable's path, so copies of one program find each other while two programs (or one
// program installed in two places) never do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zarvo {

// Copies are numbered from 0; a copy that finds every index up to this one taken shares the
// last one rather than searching on.
inline constexpr int32_t kMaxInstanceIndex = 100000;

// "Global\" (one name across all sessions) or "Local\" (one per session), then the instance key
// with every backslash and blank turned into "_", then the copy's index when copies are
// numbered. The key is used as given: lower-casing it is the caller's job. At most
// kValueCapacity - 1 bytes; a longer name is cut. The cut cannot merge two live names:
// CreateSemaphoreA already rejects any name of MAX_PATH characters or more.
std::string BuildSemaphoreName(std::string_view instanceKey, bool global,
                               std::optional<int32_t> index);

// What a copy in single-instance mode does when it finds its semaphore already there.
enum class TakenSemaphore {
  // Another account made it: anyone can create a name in the object namespace before a service
  // starts, so it proves no running copy. Logged, and this copy runs as the only one.
  RunAsOnlyCopy,
  // A second copy at a console: it ends with exit code 0 while the first one runs.
  EndAsSecondCopy,
  // A service's child: a service that cannot run must end in a failure, not in a clean stop
  // that no failure action or event follows.
  FailAsSecondCopy,
};
TakenSemaphore decideTakenSemaphore(bool madeByAnotherAccount, bool serviceChild);

// The name of the semaphore this process holds; empty until the single-instance check ran.
const std::string& SemaphoreName();
void SetSemaphoreName(std::string name);

}  // namespace zarvo
