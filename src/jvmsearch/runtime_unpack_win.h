// Runtime unpacking against the real file system (see runtime_unpack.h for the sequence).
#pragma once

#include <cstdint>
#include <string>

namespace zarvo {

// How long one unpack200 run may take before it is terminated. Unpacking the largest jar of a
// runtime takes seconds to a minute on a slow disk; ten minutes only ends a tool that hangs, so
// that a stuck tool cannot keep the launcher (and a service start) waiting forever.
inline constexpr uint32_t kUnpackToolTimeoutMs = 10 * 60 * 1000;

// Unpacks the packed jars of the runtime in `directory` (absolute, no trailing backslash) with
// its bin\unpack200.exe. Ends the process (message 1009, "20") when a jar needs unpacking and
// the tool cannot be started.
void unpackRuntime(const std::string& directory, uint32_t toolTimeoutMs = kUnpackToolTimeoutMs);

}  // namespace zarvo
