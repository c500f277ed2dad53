#include "jvmsearch/runtime_unpack.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/text.h"
#include "config/config_store.h"
#include "config/keys.h"
#include "support/capture_log.h"
#include "support/fake_fatal.h"

namespace zarvo {
namespace {

const std::string kHome = "C:\\rt";
const std::string kTool = "C:\\rt\\bin\\unpack200.exe";

// What the tool does for one packed file: how the run ends and whether a jar appears.
struct ToolScript {
  UnpackToolRun run = UnpackToolRun::kSucceeded;
  bool writesJar = true;
};

// A scripted file system that records every action as one line.
class ScriptedSystem final : public UnpackSystem {
 public:
  std::map<std::string, std::vector<std::string>> listings;
  std::set<std::string> files;
  std::map<std::string, ToolScript> tool;         // by packed path; default: a clean run
  std::map<std::string, uint32_t> removalErrors;  // by path
  std::vector<std::string> actions;

  std::vector<std::string> listPackedJars(const std::string& directory) override {
    auto it = listings.find(directory);
    return it == listings.end() ? std::vector<std::string>{} : it->second;
  }
  bool fileExists(const std::string& path) override { return files.count(path) != 0; }
  void announce() override { actions.push_back("announce"); }
  UnpackToolRun runTool(const std::string& program, const std::string& commandLine) override {
    actions.push_back("run " + program + " " + commandLine);
    const std::string packed = commandLine.substr(4, commandLine.find('"', 4) - 4);
    const ToolScript script = tool[packed];
    if (script.writesJar && script.run != UnpackToolRun::kNotStarted) {
      files.insert(unpackedJarPath(packed));
    }
    return script.run;
  }
  uint32_t removeFile(const std::string& path) override {
    actions.push_back("remove " + path);
    if (auto it = removalErrors.find(path); it != removalErrors.end()) return it->second;
    return files.erase(path) != 0 ? 0 : kFileNotFoundError;
  }
};

TEST(RuntimeUnpack, ToolCommandLineQuotesBothPaths) {
  EXPECT_EQ(unpackCommandLine("C:\\a b\\x.jar.pack", "C:\\a b\\x.jar"),
            "-r \"C:\\a b\\x.jar.pack\" \"C:\\a b\\x.jar\"");
  EXPECT_EQ(unpackedJarPath("C:\\rt\\lib\\rt.jar.pack"), "C:\\rt\\lib\\rt.jar");
}

TEST(RuntimeUnpack, Sequences) {
  const std::string lib = kHome + "\\lib\\";
  const std::string ext = kHome + "\\lib\\ext\\";
  auto run = [&](const std::string& packed) {
    return "run " + kTool + " -r \"" + packed + "\" \"" + unpackedJarPath(packed) + "\"";
  };
  struct Case {
    const char* name;
    std::map<std::string, std::vector<std::string>> listings;
    std::set<std::string> files;  // besides the listed packed files
    std::map<std::string, ToolScript> tool;
    std::map<std::string, uint32_t> removalErrors;
    std::vector<std::string> wantActions;
    std::set<std::string> wantFiles;  // every file afterwards
    std::vector<std::u16string> wantLogged;
  };
  const Case cases[] = {
      {"nothing packed", {}, {lib + "rt.jar"}, {}, {}, {}, {lib + "rt.jar"}, {}},
      {"two in lib, one in ext: one announcement, runs in listing order",
       {{kHome + "\\lib", {"rt.jar.pack", "jsse.jar.pack"}},
        {kHome + "\\lib\\ext", {"zipfs.jar.pack"}}},
       {},
       {},
       {},
       {"announce", run(lib + "rt.jar.pack"), "remove " + lib + "rt.jar.pack",
        run(lib + "jsse.jar.pack"), "remove " + lib + "jsse.jar.pack", run(ext + "zipfs.jar.pack"),
        "remove " + ext + "zipfs.jar.pack"},
       {lib + "rt.jar", lib + "jsse.jar", ext + "zipfs.jar"},
       {u"Unpacking JRE", u"Unpacking JRE done"}},
      {"a jar that exists is taken as unpacked and its packed file stays",
       {{kHome + "\\lib", {"rt.jar.pack"}}},
       {lib + "rt.jar"},
       {},
       {},
       {},
       {lib + "rt.jar", lib + "rt.jar.pack"},
       {u"checking C:\\rt\\lib\\rt.jar"}},
      {"a failed run keeps the packed file and removes its partial jar",
       {{kHome + "\\lib", {"rt.jar.pack"}}},
       {},
       {{lib + "rt.jar.pack", {UnpackToolRun::kFailed, true}}},
       {},
       {"announce", run(lib + "rt.jar.pack"), "remove " + lib + "rt.jar"},
       {lib + "rt.jar.pack"},
       {u"ERROR: unpack200 failed for C:\\rt\\lib\\rt.jar.pack"}},
      {"a run that timed out keeps the packed file",
       {{kHome + "\\lib", {"rt.jar.pack"}}},
       {},
       {{lib + "rt.jar.pack", {UnpackToolRun::kTimedOut, false}}},
       {},
       {"announce", run(lib + "rt.jar.pack")},
       {lib + "rt.jar.pack"},
       {u"ERROR: unpack200 timed out for C:\\rt\\lib\\rt.jar.pack"}},
      {"a clean exit without a jar keeps the packed file",
       {{kHome + "\\lib", {"rt.jar.pack"}}},
       {},
       {{lib + "rt.jar.pack", {UnpackToolRun::kSucceeded, false}}},
       {},
       {"announce", run(lib + "rt.jar.pack")},
       {lib + "rt.jar.pack"},
       {}},
      {"a packed file that cannot be deleted is logged; one already gone is not",
       {{kHome + "\\lib", {"a.jar.pack", "b.jar.pack"}}},
       {},
       {},
       {{lib + "a.jar.pack", 5u}, {lib + "b.jar.pack", kFileNotFoundError}},
       {"announce", run(lib + "a.jar.pack"), "remove " + lib + "a.jar.pack",
        run(lib + "b.jar.pack"), "remove " + lib + "b.jar.pack"},
       {lib + "a.jar", lib + "a.jar.pack", lib + "b.jar", lib + "b.jar.pack"},
       {u"could not delete packed file (error 5)"}},
      {"only names that end in .jar.pack, in any case",
       {{kHome + "\\lib", {"A.JAR.PACK", "a.jar.packed", "pack"}}},
       {},
       {},
       {},
       {"announce", run(lib + "A.JAR.PACK"), "remove " + lib + "A.JAR.PACK"},
       {lib + "A.JAR", lib + "a.jar.packed", lib + "pack"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::CaptureLog log;
    ScriptedSystem system;
    system.listings = c.listings;
    system.files = c.files;
    for (const auto& [folder, names] : c.listings) {
      for (const std::string& name : names) system.files.insert(folder + "\\" + name);
    }
    system.tool = c.tool;
    system.removalErrors = c.removalErrors;
    unpackRuntimeWith(kHome, system);
    EXPECT_EQ(system.actions, c.wantActions);
    EXPECT_EQ(system.files, c.wantFiles);
    for (const std::u16string& line : c.wantLogged) {
      EXPECT_TRUE(log.contains(line)) << toUtf8(line);
    }
    if (c.wantActions.empty()) {
      EXPECT_FALSE(log.contains(u"Unpacking JRE"));
    }
  }
}

TEST(RuntimeUnpack, ToolThatCannotStartEndsTheLauncher) {
  ResetConfiguration();
  Messages().set(msg::kInternalError, u"Internal error {0}");
  test::resetShownErrors();
  ScriptedSystem system;
  system.listings[kHome + "\\lib"] = {"rt.jar.pack"};
  system.files.insert(kHome + "\\lib\\rt.jar.pack");
  system.tool[kHome + "\\lib\\rt.jar.pack"] = {UnpackToolRun::kNotStarted, false};
  try {
    unpackRuntimeWith(kHome, system);
    FAIL() << "no fatal error";
  } catch (const test::FatalReported& fatal) {
    EXPECT_EQ(fatal.exitCode, 1);
    EXPECT_EQ(fatal.text, u"Internal error 20");
  }
  ResetConfiguration();
  EXPECT_EQ(system.files, std::set<std::string>{kHome + "\\lib\\rt.jar.pack"});
}

}  // namespace
}  // namespace zarvo
