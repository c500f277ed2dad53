#include "pack.h"

#include <gtest/gtest.h>

#include <sstream>

#include "block_codec.h"
#include "file_io.h"
#include "pe_stub.h"
#include "test_support.h"

namespace zpack {
namespace {

using test::makePe;
using test::PeLayout;
using test::readAll;
using test::TempDir;

const char* const kProject = R"toml(
stub = "launcher.exe"
[service]
name = "ZarvoHello"
[application]
main_class = "com.example.hello.Hello"
[files]
include = [{source = "build/hello.jar", name = "lib/hello.jar"}]
)toml";

struct Outcome {
  int exitCode;
  std::string out;
  std::string err;
};

Outcome pack(const PackRequest& request) {
  std::ostringstream out, err;
  int code = runPack(request, out, err);
  return {code, out.str(), err.str()};
}

// A request whose defaults (stub and runtime jar beside zpack) are those of `zpackDir`.
PackRequest request(const std::filesystem::path& project, const std::filesystem::path& zpackDir,
                    std::optional<std::filesystem::path> output = std::nullopt,
                    std::optional<std::filesystem::path> stub = std::nullopt) {
  return {project, std::move(output), std::move(stub), zpackDir / "launcher.exe",
          zpackDir / "zarvo-runtime.jar"};
}

Outcome dump(const std::filesystem::path& exe) {
  std::ostringstream out, err;
  int code = runDump(exe, out, err);
  return {code, out.str(), err.str()};
}

// A stub with 0x80 bytes after its last section, as a symbol table would leave them.
std::string stubWithTail() {
  PeLayout layout;
  layout.fileSize = 0x580;
  layout.symbolTable = 0x500;
  layout.symbolCount = 4;
  return makePe(layout);
}

TEST(Pack, WritesTheTrimmedStubFollowedByTheBlock) {
  TempDir dir;
  const std::string stub = stubWithTail();
  dir.write("launcher.exe", stub);
  dir.write("build/hello.jar", "PK-jar-bytes");
  auto project = dir.write("hello.toml", kProject);

  dir.write("zpack/zarvo-runtime.jar", "PK-runtime");
  Outcome run = pack(request(project, dir.path() / "zpack"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("hello.exe"), std::string::npos);

  const std::string image = readAll(dir.path() / "hello.exe");
  std::string error;
  const std::string trimmed = trimStub(stub, error)->image;
  // The packed file carries a checksum of its own; everything else of the stub is as it was.
  std::string withStubChecksum = image.substr(0, trimmed.size());
  withStubChecksum.replace(test::kCheckSum, 4, trimmed, test::kCheckSum, 4);
  ASSERT_EQ(withStubChecksum, trimmed);
  EXPECT_NE(image.substr(test::kCheckSum, 4), trimmed.substr(test::kCheckSum, 4));
  EXPECT_EQ(image.find(std::string(0x80, '\xCC')), std::string::npos);  // the tail is gone

  auto block = decodeBlock(image, trimmed.size(), error);
  ASSERT_TRUE(block.has_value()) << error;
  ASSERT_EQ(block->files.size(), 2u);
  EXPECT_EQ(block->files[0].name, "lib\\hello.jar");
  EXPECT_EQ(unmaskedData(image, block->files[0]), "PK-jar-bytes");
  EXPECT_EQ(block->files[1].name, "zarvo-runtime.jar");
  EXPECT_EQ(unmaskedData(image, block->files[1]), "PK-runtime");
  EXPECT_TRUE(block->trailerPresent);

  Outcome shown = dump(dir.path() / "hello.exe");
  ASSERT_EQ(shown.exitCode, 0) << shown.err;
  for (const char* line :
       {"ConfigBlock at offset 1280 (0x500)", "101  service.name = \"ZarvoHello\"",
        "2003  files.include (names) = \"lib\\\\hello.jar;zarvo-runtime.jar\"",
        "1006 = \"File or directory {0} not found or empty\\n\"", "lib\\hello.jar  12 bytes",
        "trailer: present"}) {
    EXPECT_NE(shown.out.find(line), std::string::npos) << line << "\n" << shown.out;
  }
}

TEST(Pack, OutputAndStubFollowCommandLineThenProjectThenDefault) {
  TempDir dir;
  dir.write("default/launcher.exe", makePe({}));
  dir.write("default/zarvo-runtime.jar", "PK");
  dir.write("other.exe", makePe({}));
  dir.write("build/hello.jar", "x");
  dir.write("out/.keep", "");
  auto project = dir.write("hello.toml", kProject);
  const auto zpackDir = dir.path() / "default";

  // The project names a stub that does not exist: that one is reported, not the default.
  Outcome missing = pack(request(project, zpackDir));
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find(displayPath(dir.path() / "launcher.exe") + ": not found"),
            std::string::npos)
      << missing.err;

  Outcome chosen =
      pack(request(project, zpackDir, dir.path() / "out/App.exe", dir.path() / "other.exe"));
  EXPECT_EQ(chosen.exitCode, 0) << chosen.err;
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "out/App.exe"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "hello.exe"));

  auto withoutStub = dir.write(
      "plain.toml", std::string(kProject).substr(std::string(kProject).find("[service]")));
  Outcome fallback = pack(request(withoutStub, zpackDir));
  EXPECT_EQ(fallback.exitCode, 0) << fallback.err;
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "plain.exe"));
}

TEST(Pack, FailuresWriteNothing) {
  struct Case {
    const char* what;
    std::string project;
    std::string stub;
    bool writeJar;
    const char* error;
  };
  const Case cases[] = {
      {"bad project", std::string(kProject) + "[java]\nmin_version = 8\n", makePe({}), true,
       "hello.toml:10: java.min_version: expected a string"},
      {"stub not PE", kProject, "#!/bin/sh\n", true, "launcher.exe: not a Windows executable"},
      {"included file missing", kProject, makePe({}), false, "hello.toml:8: files.include[0]: "},
      {"output would replace the stub", "output = \"launcher.exe\"\n" + std::string(kProject),
       makePe({}), true, "refusing to overwrite an input"},
      {"product texts asked of a stub without a version resource",
       std::string(kProject) + "[product]\nname = \"Hello\"\n", makePe({}), true,
       "zpack: [product]: the stub carries no version resource"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    dir.write("launcher.exe", c.stub);
    if (c.writeJar) dir.write("build/hello.jar", "x");
    dir.write("zarvo-runtime.jar", "PK");
    auto project = dir.write("hello.toml", c.project);
    const auto before = dir.names();

    Outcome run = pack(request(project, dir.path()));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    if (!c.writeJar) {  // the missing file's relative path is explained
      EXPECT_NE(run.err.find("not found (a relative path is taken against the project file's "
                             "directory, " +
                             displayPath(dir.path()) + ")"),
                std::string::npos)
          << run.err;
    }
    EXPECT_EQ(dir.names(), before);
  }
}

TEST(Pack, AddsTheLauncherRuntimeUnlessTheProjectBringsIt) {
  struct Case {
    const char* what;
    std::string topLevel;      // before the tables
    std::string tables;        // after [application]
    bool added;                // zpack added the runtime (and says so)
    const char* storedNames;   // key 2003, "" for none
    const char* runtimeBytes;  // what the stored zarvo-runtime.jar holds
  };
  const Case cases[] = {
      {"default", "", "", true, "zarvo-runtime.jar", "beside zpack"},
      {"on the class path", "classpath = [{archive = \"lib\\\\Zarvo-Runtime.jar\"}]\n", "", false,
       "", ""},
      {"on the module path", "modulepath = [\"A1zarvo-runtime.jar\"]\n", "", false, "", ""},
      {"included by the project", "",
       "[files]\ninclude = [{source = \"own.jar\", name = \"zarvo-runtime.jar\"}]\n", false,
       "zarvo-runtime.jar", "own"},
      {"given by path", "", "[launcher]\nruntime_jar = \"own.jar\"\n", true, "zarvo-runtime.jar",
       "own"},
      {"opted out", "", "[launcher]\nruntime_jar = false\n", false, "", ""},
      {"kestrix flavour", "", "[launcher]\nflavour = \"kestrix\"\n", false, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    dir.write("launcher.exe", makePe({}));
    dir.write("zpack/zarvo-runtime.jar", "beside zpack");
    dir.write("own.jar", "own");
    const std::string project = c.topLevel + "stub = \"launcher.exe\"\n" +
                                "[application]\nmain_class = \"a.Main\"\n" + c.tables;
    Outcome run = pack(request(dir.write("app.toml", project), dir.path() / "zpack"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(
        run.out.find("the launcher's runtime zarvo-runtime.jar among them") != std::string::npos,
        c.added)
        << run.out;

    const std::string image = readAll(dir.path() / "app.exe");
    std::string error;
    auto block = decodeBlock(image, *findBlockOffset(image, error), error);
    ASSERT_TRUE(block.has_value()) << error;
    std::string names;
    for (const DecodedFile& f : block->files) names += (names.empty() ? "" : ";") + f.name;
    EXPECT_EQ(names, c.storedNames);
    if (!block->files.empty()) {
      EXPECT_EQ(unmaskedData(image, block->files[0]), c.runtimeBytes);
    }
  }
}

TEST(Pack, AMissingLauncherRuntimeSaysWhereItBelongs) {
  TempDir dir;
  dir.write("launcher.exe", makePe({}));
  auto project =
      dir.write("app.toml", "stub = \"launcher.exe\"\n[application]\nmain_class = \"a.Main\"\n");
  const auto before = dir.names();
  Outcome run = pack(request(project, dir.path() / "zpack"));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("zarvo-runtime.jar: not found"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("runtime_jar = false"), std::string::npos) << run.err;
  EXPECT_EQ(dir.names(), before);
}

TEST(Dump, DamagedExecutablesGiveAnErrorNotACrash) {
  TempDir dir;
  dir.write("launcher.exe", makePe({}));
  dir.write("build/hello.jar", std::string(300, 'j'));
  dir.write("zarvo-runtime.jar", "PK");
  ASSERT_EQ(pack(request(dir.write("hello.toml", kProject), dir.path())).exitCode, 0);
  const std::string image = readAll(dir.path() / "hello.exe");

  struct Case {
    const char* what;
    std::string bytes;
    const char* error;
  };
  const Case cases[] = {
      {"bare stub", makePe({}), "nothing follows the last section"},
      {"cut in the records", image.substr(0, 0x500 + 40), "runs past the end of the file"},
      {"cut in the included file", image.substr(0, image.size() - 100),
       "included file lib\\hello.jar (300 bytes)"},
      {"not an executable", "hello", "not a Windows executable"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Outcome run = dump(dir.write("damaged.exe", c.bytes));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
  }
}

TEST(Dump, NamesTheSignatureAppendedAfterTheBlock) {
  TempDir dir;
  dir.write("launcher.exe", makePe({}));
  dir.write("build/hello.jar", "PK-jar-bytes");
  dir.write("zarvo-runtime.jar", "PK");
  ASSERT_EQ(pack(request(dir.write("hello.toml", kProject), dir.path())).exitCode, 0);
  const std::string packed = readAll(dir.path() / "hello.exe");
  const std::string table(0x40, 'T');

  // A signing tool appends the table, aligned to 8 bytes, and records it in the header.
  auto signedImage = [&](const std::string& gap, size_t recordedOffset) {
    std::string image = packed + gap + table;
    auto put = [&](size_t at, size_t value) {
      for (size_t i = 0; i < 4; ++i) image[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    put(test::kSecurityDirectory, recordedOffset);
    put(test::kSecurityDirectory + 4, image.size() - recordedOffset);
    return image;
  };
  const size_t end = packed.size();
  struct Case {
    const char* what;
    std::string image;
    std::string expectedTail;
  };
  const Case cases[] = {
      {"right after the trailer", signedImage("", end),
       "trailer: present\nsignature: certificate table of 64 bytes at offset " +
           std::to_string(end) + "\n"},
      {"after alignment", signedImage(std::string(4, '\0'), end + 4),
       "trailer: present\nsignature: certificate table of 64 bytes at offset " +
           std::to_string(end + 4) + "\n"},
      // Alignment to 8 needs at most seven bytes: eight zero bytes are no padding.
      {"after seven zero bytes", signedImage(std::string(7, '\0'), end + 7),
       "trailer: present\nsignature: certificate table of 64 bytes at offset " +
           std::to_string(end + 7) + "\n"},
      {"after eight zero bytes", signedImage(std::string(8, '\0'), end + 8),
       "trailer: present\n8 further bytes follow\nsignature: certificate table of 64 bytes at "
       "offset " +
           std::to_string(end + 8) + "\n"},
      {"after other bytes", signedImage("junk", end + 4),
       "trailer: present\n4 further bytes follow\nsignature: certificate table of 64 bytes at "
       "offset " +
           std::to_string(end + 4) + "\n"},
      // An entry that claims the block's own bytes is not taken for a signature.
      {"overlapping the block", signedImage("", end - 8),
       "trailer: present\n64 further bytes follow\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Outcome run = dump(dir.write("signed.exe", c.image));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_GE(run.out.size(), c.expectedTail.size());
    EXPECT_EQ(run.out.substr(run.out.size() - c.expectedTail.size()), c.expectedTail) << run.out;
  }
}

}  // namespace
}  // namespace zpack
