#include "pack.h"

#include <cstdint>
#include <limits>
#include <system_error>
#include <vector>

#include "config/keys.h"
#include "file_io.h"
#include "key_names.h"
#include "pe_stub.h"
#include "project.h"
#include "text_codec.h"

namespace zpack {
namespace {

namespace fs = std::filesystem;

// The launcher keeps file offsets in signed 32-bit variables (the end of its block, the
// position after the last extracted file), so a packed executable must stay below 2 GiB.
constexpr size_t kMaxExecutableBytes = std::numeric_limits<int32_t>::max();

// A project file is text a person writes; anything this large is a wrong path.
constexpr size_t kMaxProjectBytes = 16u << 20;

void printRecord(std::ostream& out, const DecodedRecord& r) {
  std::string name = describeKey(r.id).name;
  out << "  " << r.id << "  " << name << " = " << quoteForDisplay(latin1ToUtf8(r.value)) << "\n";
}

void printText(std::ostream& out, const DecodedText& t, std::string_view indent) {
  out << indent << t.id;
  if (t.id == zarvo::msg::kServiceDescription) out << "  " << messageName(t.id);
  out << " = " << quoteForDisplay(utf16ToUtf8(t.text)) << "\n";
}

// "version resource: ..." with what Explorer shows, when the executable carries one.
void printProductInfo(std::ostream& out, std::string_view image) {
  const std::optional<std::u16string> name = readVersionText(image, u"ProductName");
  if (!name) return;
  out << "version resource: product " << quoteForDisplay(utf16ToUtf8(*name)) << ", version "
      << quoteForDisplay(utf16ToUtf8(readVersionText(image, u"ProductVersion").value_or(u"")))
      << ", manufacturer "
      << quoteForDisplay(utf16ToUtf8(readVersionText(image, u"CompanyName").value_or(u""))) << "\n";
}

// The stub's version resource names the application. A stub without one (an older or another
// build) is packed as it is, unless the project's [product] asked for the texts.
bool writeProductInfo(std::string& stubImage, ProductInfo product, const fs::path& output,
                      std::ostream& err) {
  const bool asked =
      !product.name.empty() || !product.manufacturer.empty() || !product.versionText.empty();
  if (product.name.empty()) {
    std::string error;
    product.name = utf8ToUtf16(displayPath(output.stem()), error).value_or(u"");
    if (product.name.size() >= kVersionTextCapacity) product.name.resize(kVersionTextCapacity - 1);
  }
  std::string error;
  if (writeVersionResource(stubImage, product, error) || !asked) return true;
  err << "zpack: [product]: " << error << "\n";
  return false;
}

}  // namespace

std::optional<std::string> assembleExecutable(std::string_view stubImage,
                                              const BlockContent& content,
                                              std::span<const std::string> fileData,
                                              std::string& error, bool* sectionNamesLost) {
  auto stub = trimStub(stubImage, error);
  if (!stub) return std::nullopt;
  if (sectionNamesLost) *sectionNamesLost = stub->sectionNamesLost;
  size_t total = stub->image.size();
  for (const std::string& data : fileData) total += data.size();
  if (total > kMaxExecutableBytes) {
    error =
        "the executable would exceed 2 GiB; the launcher reads its own file with 32-bit "
        "offsets";
    return std::nullopt;
  }
  std::string image = std::move(stub->image);
  image += encodeBlock(content, fileData);
  if (image.size() > kMaxExecutableBytes) {
    error =
        "the executable would exceed 2 GiB; the launcher reads its own file with 32-bit "
        "offsets";
    return std::nullopt;
  }
  writeImageChecksum(image);
  return image;
}

int runPack(const PackRequest& request, std::ostream& out, std::ostream& err) {
  std::string error;
  auto text = readFile(request.project, kMaxProjectBytes, error);
  if (!text) {
    err << "zpack: " << error << "\n";
    return 1;
  }
  fs::path projectDir = request.project.parent_path();
  std::vector<std::string> errors;
  auto project = parseProject(*text, displayPath(request.project), projectDir, errors);
  if (!project) {
    for (const std::string& e : errors) err << e << "\n";
    return 1;
  }

  fs::path stubPath = request.stub ? *request.stub : project->stub.value_or(request.defaultStub);
  auto stubImage = readFile(stubPath, kMaxExecutableBytes, error);
  if (!stubImage) {
    err << "zpack: stub " << error << "\n";
    if (!request.stub && !project->stub) {
      err << "zpack: (the default stub is launcher.exe beside zpack; give another with --stub "
             "or stub = \"...\" in the project)\n";
    }
    return 1;
  }

  // The launcher's Java runtime goes last, after the project's own files.
  const bool defaultRuntimeJar = project->runtimeJar.add && !project->runtimeJar.source;
  if (project->runtimeJar.add) {
    const std::string origin = project->runtimeJar.origin.empty() ? "zpack: the launcher's runtime"
                                                                  : project->runtimeJar.origin;
    addIncludedFile(*project, {std::string(kRuntimeJarName),
                               project->runtimeJar.source.value_or(request.defaultRuntimeJar),
                               origin, std::nullopt});
  }

  std::vector<std::string> fileData;
  size_t includedBytes = 0;
  for (const IncludedSource& file : project->files) {
    auto data = readFile(file.source, kMaxExecutableBytes - includedBytes, error);
    if (!data) {
      err << file.origin << ": " << error;
      std::error_code ec;
      if (file.resolvedAgainst && !fs::exists(file.source, ec)) {
        err << " (a relative path is taken against the project file's directory, "
            << displayPath(fs::absolute(*file.resolvedAgainst, ec).lexically_normal()) << ")";
      }
      err << "\n";
      if (defaultRuntimeJar && &file == &project->files.back()) {
        err << "zpack: (the launcher's Java side, which every zarvo executable needs, is "
               "zarvo-runtime.jar beside zpack; give its path with runtime_jar = \"...\" in "
               "[launcher], or set runtime_jar = false there when the class path brings it)\n";
      }
      return 1;
    }
    includedBytes += data->size();
    fileData.push_back(std::move(*data));
  }

  fs::path output =
      request.output ? *request.output
                     : project->output.value_or(projectDir / request.project.stem().concat(".exe"));
  if (!writeProductInfo(*stubImage, project->product, output, err)) return 1;

  bool sectionNamesLost = false;
  auto image = assembleExecutable(*stubImage, project->block, fileData, error, &sectionNamesLost);
  if (!image) {
    err << "zpack: " << displayPath(stubPath) << ": " << error << "\n";
    return 1;
  }
  if (sectionNamesLost) {
    err << "zpack: note: " << displayPath(stubPath)
        << ": the stub's COFF symbol table was dropped, and with it the long section names that "
           "point into it; Windows runs the output, but tools such as objdump no longer read it. "
           "Strip the stub (link with -s) to avoid this.\n";
  }

  // Packing over the stub or the project would work (both are read by now) but destroy an
  // input; a second run would then fail or pack a packed file.
  for (const fs::path& input : {stubPath, request.project}) {
    std::error_code ec;
    if (fs::equivalent(output, input, ec)) {
      err << "zpack: " << displayPath(output) << ": refusing to overwrite an input of this run\n";
      return 1;
    }
  }
  if (!writeFileAtomically(output, *image, error)) {
    err << "zpack: " << error << "\n";
    return 1;
  }
  out << "zpack: wrote " << displayPath(output) << " (" << image->size()
      << " bytes: " << project->block.records.size() << " settings, "
      << project->block.messages.size() << " messages, " << project->block.languageTables.size()
      << " language tables, " << project->files.size()
      << (project->files.size() == 1 ? " included file of " : " included files of ")
      << includedBytes << " bytes";
  if (project->runtimeJar.add)
    out << ", the launcher's runtime " << kRuntimeJarName << " among them";
  out << ")\n";
  return 0;
}

int runDump(const fs::path& executable, std::ostream& out, std::ostream& err) {
  std::string error;
  auto image = readFile(executable, kMaxExecutableBytes, error);
  if (!image) {
    err << "zpack: " << error << "\n";
    return 1;
  }
  auto offset = findBlockOffset(*image, error);
  std::optional<DecodedBlock> block;
  if (offset) block = decodeBlock(*image, *offset, error);
  if (!block) {
    err << "zpack: " << displayPath(executable) << ": " << error << "\n";
    return 1;
  }

  out << displayPath(executable) << "\n";
  out << "ConfigBlock at offset " << block->offset << " (" << hexText(block->offset)
      << "), block length " << block->blockLength;
  if (block->blockLength != static_cast<int64_t>(block->actualBlockLength)) {
    out << " (inconsistent: the tables take " << block->actualBlockLength << ")";
  }
  out << "\n";
  printProductInfo(out, *image);
  out << "\nrecords (" << block->records.size() << "):\n";
  for (const DecodedRecord& r : block->records) printRecord(out, r);
  out << "\nmessages (" << block->messages.size() << "):\n";
  for (const DecodedText& m : block->messages) printText(out, m, "  ");
  out << "\nlanguage tables (" << block->languageTables.size() << "):\n";
  for (const DecodedTable& t : block->languageTables) {
    out << "  " << quoteForDisplay(latin1ToUtf8(t.prefix)) << " (" << t.entries.size()
        << " entries):\n";
    for (const DecodedText& e : t.entries) printText(out, e, "    ");
  }
  out << "\nincluded files (" << block->files.size() << "):\n";
  for (const DecodedFile& f : block->files) {
    out << "  " << latin1ToUtf8(f.name) << "  " << f.size << " bytes\n";
  }
  if (block->declaredFileCount > 0 &&
      static_cast<size_t>(block->declaredFileCount) != block->namedFileCount) {
    out << "  (key 2002 counts " << block->declaredFileCount << " files, key 2003 names "
        << block->namedFileCount << "; the launcher extracts the smaller number)\n";
  }
  out << "\ntrailer: " << (block->trailerPresent ? "present" : "missing") << "\n";
  // A signed executable ends with its certificate table, after zero bytes that align it to 8.
  size_t further = block->bytesAfter;
  const size_t dataEnd = image->size() - block->bytesAfter;
  auto signature = findCertificateTable(*image);
  if (signature && signature->offset < dataEnd) signature.reset();  // overlaps the block
  if (signature) {
    const std::string_view gap(image->data() + dataEnd, signature->offset - dataEnd);
    const bool padding = gap.size() < 8 && gap.find_first_not_of('\0') == std::string_view::npos;
    further = padding ? 0 : gap.size();
  }
  if (further != 0) out << further << " further bytes follow\n";
  if (signature) {
    out << "signature: certificate table of " << signature->size << " bytes at offset "
        << signature->offset << "\n";
  }
  return 0;
}

}  // namespace zpack
