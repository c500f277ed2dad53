// Finding where a ConfigBlock goes in a 64-bit Windows executable, and preparing a launcher stub
// to receive one.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zpack {

// The launcher looks for its block right after the raw data of the last entry in its section
// table (PointerToRawData + SizeOfRawData, read from the file). Returns that offset after
// checking that `image` is a PE32+ executable in which the launcher's lookup is sound: headers
// and section table inside the file, the last entry's data ending inside the file and no other
// section's data lying beyond it.
std::optional<size_t> findBlockOffset(std::string_view image, std::string& error);

struct TrimmedStub {
  std::string image;
  size_t droppedBytes = 0;
  // Section names of the form "/4" point into the COFF string table behind the symbol table;
  // once that is dropped, tools such as objdump no longer read the file (Windows does not use
  // the names). A stripped stub has neither.
  bool sectionNamesLost = false;
};

// The stub's bytes up to the block offset. Whatever lay beyond (a COFF symbol table, an
// Authenticode signature, an earlier block) is dropped, and the header fields that pointed
// there are cleared so that tools reading the output do not follow them into the new block.
std::optional<TrimmedStub> trimStub(std::string_view image, std::string& error);

// Writes the image checksum into the optional header (offset 64): the one's-complement sum of
// the file's 16-bit words, the field itself counted as zero, plus the file's length. Windows
// checks it for drivers and boot files only, but tools that verify executables compare it, and
// the stub's would be wrong for every packed file.
void writeImageChecksum(std::string& image);

struct CertificateTable {
  size_t offset;
  size_t size;
};

// The Authenticode signature of a signed executable: the certificate table that the header's
// data directory 4 records (its address is a file offset). Signing tools append it at the end of
// the file, after the ConfigBlock, which therefore stays where the launcher looks for it. Returns
// nullopt unless the entry is set and the table lies after the block offset and ends the file.
std::optional<CertificateTable> findCertificateTable(std::string_view image);

}  // namespace zpack
