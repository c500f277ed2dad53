// Byte-level constants of the ConfigBlock, shared by the launcher's reader and the packer.
// docs/configblock-format.md describes the whole layout for other writers.
#pragma once

#include <cstdint>

namespace zarvo {

// First four bytes of the block, read as a little-endian 32-bit value.
inline constexpr uint32_t kBlockMagic = 0xE8E413D5u;

// Writers end the block with the magic stored big-endian followed by zero bytes. The launcher
// never reads the trailer; it only helps a human spot the end of the block in a hex dump.
inline constexpr uint8_t kTrailer[4] = {0xE8, 0xE4, 0x13, 0xD5};
inline constexpr int kTrailerZeroBytes = 4;

// Every byte of every included file is stored XORed with this one byte. It keeps archives from
// being recognised (and scanned or "repaired") as archives inside the executable; it is not a
// protection of any kind.
inline constexpr uint8_t kIncludedFileMask = 0xA7;

}  // namespace zarvo
