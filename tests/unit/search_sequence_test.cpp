#include "jvmsearch/search_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "base/text.h"
#include "jvmsearch/search_observer.h"
#include "support/printers.h"

namespace zarvo {
namespace {

TEST(SearchSequence, ParsesEntries) {
  const struct {
    std::string_view in;
    std::vector<SearchEntry> want;
  } cases[] = {
      {"B.\\jre;Y;EJAVA_HOME;EJDK_HOME;",
       {{'B', ".\\jre"}, {'Y', ""}, {'E', "JAVA_HOME"}, {'E', "JDK_HOME"}}},
      {";;A;;", {{'A', ""}}},
      {"", {}},
      {"bx;Rc:\\j", {{'b', "x"}, {'R', "c:\\j"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(parseSearchSequence(c.in), c.want);
  }
}

TEST(SearchSequence, AbsoluteLocations) {
  const struct {
    std::string_view in;
    bool want;
  } cases[] = {{"c:\\java", true}, {"c:", true}, {"\\\\srv\\j", true}, {"\\java", false},
               {".\\jre", false},  {"c", false}, {"", false},          {"jre:x", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(isAbsoluteLocation(c.in), c.want);
  }
}

// A scripted system: which homes pass, which executables exist and load, and a trace of what
// the search asked for, in order.
struct FakeSystem : SearchSystem {
  struct Home {
    bool passes;
    std::string javaExe;  // empty: the home has no java executable
  };
  std::map<std::string, Home> homes;  // checkLocation and checkEnvironmentLocation
  std::map<std::string, std::string> files;
  std::vector<FoundRuntime> registry;  // answers of searchRegistryRuntimes, refused ones skipped
  std::vector<FoundRuntime> vendors;   // the same for searchVendorRuntimes
  std::optional<FoundRuntime> userInstall, machineInstall, onPath;
  std::set<std::string> loadable;
  std::vector<std::string> nonWorking;
  size_t nonWorkingLimit = 50;
  std::vector<std::string> trace;

  std::optional<std::string> readLocationFile(std::string_view name) override {
    auto it = files.find(std::string(name));
    return it == files.end() ? std::nullopt : std::optional(it->second);
  }
  std::string expandVariables(std::string_view value) override {
    std::string out(value);
    if (out == "$(EXE)") out = "c:\\app";
    return out;
  }
  bool checkHome(const std::string& tag, std::string_view home, FoundRuntime& found) {
    trace.push_back(tag + std::string(home));
    auto it = homes.find(std::string(home));
    if (it == homes.end()) return false;
    found = {it->second.javaExe, "17"};
    return it->second.passes;
  }
  bool checkLocation(std::string_view dir, bool ea, FoundRuntime& found) override {
    return checkHome(ea ? "dir+ea:" : "dir:", dir, found);
  }
  bool checkEnvironmentLocation(std::string_view name, FoundRuntime& found) override {
    return checkHome("env:", name, found);
  }
  bool checkSearchPathLocation(FoundRuntime& found) override {
    trace.push_back("path");
    if (onPath) found = *onPath;
    return onPath.has_value();
  }
  std::optional<FoundRuntime> firstWorking(const std::vector<FoundRuntime>& answers) {
    for (const auto& r : answers) {
      if (std::find(nonWorking.begin(), nonWorking.end(), r.javaExe) == nonWorking.end()) return r;
    }
    return std::nullopt;
  }
  std::optional<FoundRuntime> searchRegistryRuntimes() override {
    trace.push_back("registry");
    return firstWorking(registry);
  }
  std::optional<FoundRuntime> searchVendorRuntimes() override {
    trace.push_back("vendors");
    return firstWorking(vendors);
  }
  std::optional<FoundRuntime> searchInstallations(bool machine) override {
    trace.push_back(machine ? "install:machine" : "install:user");
    return machine ? machineInstall : userInstall;
  }
  bool fileExists(const std::string& path) override {
    for (const auto& [home, h] : homes) {
      if (h.javaExe == path) return true;
    }
    return false;
  }
  bool addNonWorkingJava(const std::string& javaExe) override {
    nonWorking.push_back(javaExe);
    return nonWorking.size() < nonWorkingLimit;
  }
  Module loadJvmLibrary(const std::string& javaExe) override {
    trace.push_back("load:" + javaExe);
    return loadable.count(javaExe) ? this : nullptr;
  }
};

using Trace = std::vector<std::string>;

// java.exe on the search path: the system's order without the current directory, and without
// PATH entries that would be taken against it.
TEST(SearchSequence, JavaSearchPathLeavesOutTheCurrentDirectory) {
  const struct {
    std::string path;
    std::string want;
  } cases[] = {
      {"", "C:\\Apps\\;C:\\Windows\\system32;C:\\Windows"},
      {"C:\\Java\\bin;.;bin;\\rooted;D:relative;\\\\server\\java\\bin;;\"C:\\Program "
       "Files\\j\\bin\"",
       "C:\\Apps\\;C:\\Windows\\system32;C:\\Windows;C:\\Java\\bin;\\\\server\\java\\bin;"
       "C:\\Program Files\\j\\bin"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(javaSearchPath("C:\\Apps\\", "C:\\Windows\\system32", "C:\\Windows", c.path), c.want);
  }
}

TEST(SearchSequence, OrderAndOutcome) {
  const std::string pref = kPreferredLocationFile, inst = kInstallerLocationFile;
  const struct {
    const char* what;
    std::string sequence;
    std::map<std::string, FakeSystem::Home> homes;
    std::map<std::string, std::string> files;
    std::set<std::string> loadable;
    Trace want;
    LocationKind wantKind;
    std::string wantText;
    bool wantModule;
  } cases[] = {
      {"own runtime wins over later entries",
       "B.\\jre;Y;EJAVA_HOME;EJDK_HOME;",
       {{".\\jre", {true, "j1"}}, {"JAVA_HOME", {true, "j2"}}},
       {},
       {"j1", "j2"},
       {"dir:.\\jre", "load:j1"},
       LocationKind::Directory,
       ".\\jre",
       true},
      {"empty sequence: files, installations and fall-back variables only",
       "",
       {},
       {},
       {},
       {"install:user", "install:machine", "env:ZARVO_JAVA_HOME", "env:KESTRIX_JAVA_HOME"},
       LocationKind::None,
       "",
       false},
      {"preferred location allows early access and comes first",
       "Ax",
       {{"p", {true, "jp"}}},
       {{pref, "p"}},
       {"jp"},
       {"dir+ea:p", "load:jp"},
       LocationKind::Directory,
       "p",
       true},
      {"expanded value checked; lower-case letter skipped; unknown skipped",
       "bx;?y;A$(EXE)",
       {{"c:\\app", {true, "ja"}}},
       {},
       {"ja"},
       {"dir:c:\\app", "load:ja"},
       LocationKind::Directory,
       "c:\\app",
       true},
      {"out-of-bounds B runtime taken in the second pass after the installer location",
       "B.\\jre;Ac:\\abs;A.\\rel",
       {{".\\jre", {false, "jb"}}, {"i", {false, "ji"}}, {"c:\\abs", {false, "jabs"}}},
       {{inst, "i"}},
       {"jb"},
       {"dir:.\\jre", "dir:c:\\abs", "dir:.\\rel", "dir:i", "dir+ea:.\\jre", "load:jb"},
       LocationKind::Directory,
       ".\\jre",
       true},
      {"absolute A skipped in the second pass, absolute B retried",
       "Ac:\\j8;Bc:\\j8",
       {{"c:\\j8", {false, "j8"}}},
       {},
       {"j8"},
       {"dir:c:\\j8", "dir:c:\\j8", "dir+ea:c:\\j8", "load:j8"},
       LocationKind::Directory,
       "c:\\j8",
       true},
      {"home without an executable is not forced",
       "B.\\none",
       {{".\\none", {false, ""}}},
       {},
       {},
       {"dir:.\\none", "dir+ea:.\\none", "install:user", "install:machine", "env:ZARVO_JAVA_HOME",
        "env:KESTRIX_JAVA_HOME"},
       LocationKind::None,
       "",
       false},
      {"passed but failed load is what the failure names",
       "Ac:\\a;EJH",
       {{"c:\\a", {true, "ja"}}, {"JH", {true, "jh"}}},
       {},
       {},
       {"dir:c:\\a", "load:ja", "env:JH", "load:jh", "install:user", "install:machine",
        "env:ZARVO_JAVA_HOME", "env:KESTRIX_JAVA_HOME"},
       LocationKind::EnvironmentVariable,
       "JH",
       false},
      {"fall-back variable",
       "",
       {{"KESTRIX_JAVA_HOME", {true, "jk"}}},
       {},
       {"jk"},
       {"install:user", "install:machine", "env:ZARVO_JAVA_HOME", "env:KESTRIX_JAVA_HOME",
        "load:jk"},
       LocationKind::EnvironmentVariable,
       "KESTRIX_JAVA_HOME",
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeSystem sys;
    sys.homes = c.homes;
    sys.files = c.files;
    sys.loadable = c.loadable;
    const SearchResult got = runSearch(sys, c.sequence);
    EXPECT_EQ(sys.trace, c.want);
    EXPECT_EQ(got.kind, c.wantKind);
    EXPECT_EQ(got.locationText, c.wantText);
    EXPECT_EQ(got.module != nullptr, c.wantModule);
  }
}

TEST(SearchSequence, SearchPathAndInstallationsAreLabelled) {
  FakeSystem sys;
  sys.onPath = FoundRuntime{"jp", "11"};
  sys.machineInstall = FoundRuntime{"jm", "17"};
  sys.loadable = {"jm"};
  const SearchResult got = runSearch(sys, "Sval");
  EXPECT_EQ(sys.trace, (Trace{"path", "load:jp", "install:user", "install:machine", "load:jm"}));
  EXPECT_EQ(got.kind, LocationKind::Registry);
  // The registry keeps the text of the location before it, here the search path's entry.
  EXPECT_EQ(got.locationText, "val");
  EXPECT_EQ(got.runtime, (FoundRuntime{"jm", "17"}));
}

// The vendors' registrations are retried exactly like the registry's.
TEST(SearchSequence, BrokenRegistryRuntimesAreExcludedAndRetried) {
  const struct {
    const char* what;
    size_t limit;
    std::set<std::string> loadable;
    Trace wantRegistryTrace;  // "registry" stands for the step of the entry under test
    bool wantModule;
  } cases[] = {
      {"second registered runtime loads",
       50,
       {"r2"},
       {"registry", "load:r1", "registry", "load:r2"},
       true},
      {"all broken: ends when the registry has nothing left",
       50,
       {},
       {"registry", "load:r1", "registry", "load:r2", "registry"},
       false},
      {"full list ends the retries", 1, {"r2"}, {"registry", "load:r1"}, false},
  };
  for (const auto& [sequence, step] : {std::pair{"Y", "registry"}, std::pair{"V", "vendors"}}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(sequence) + ": " + c.what);
      FakeSystem sys;
      sys.registry = {{"r1", "17"}, {"r2", "11"}};
      sys.vendors = sys.registry;
      sys.loadable = c.loadable;
      sys.nonWorkingLimit = c.limit;
      const SearchResult got = runSearch(sys, sequence);
      Trace want = c.wantRegistryTrace;
      std::replace(want.begin(), want.end(), std::string("registry"), std::string(step));
      const Trace head(sys.trace.begin(), sys.trace.begin() + static_cast<long>(want.size()));
      EXPECT_EQ(head, want);
      EXPECT_EQ(got.module != nullptr, c.wantModule);
      EXPECT_EQ(got.kind, LocationKind::Registry);
    }
  }
}

// What an observer of the search hears: each step as it begins and each library load with its
// outcome, in the order of the search.
TEST(SearchSequence, ObserverHearsEveryStepAndLoad) {
  struct Recorder : SearchObserver {
    std::vector<std::string> events;
    void location(std::u16string_view description) override {
      events.push_back(toUtf8(description));
    }
    void candidate(std::string_view path, std::string_view version, Verdict verdict) override {
      events.push_back("  " + std::string(path) + " " + std::string(version) + " " +
                       std::string(verdictText(verdict)));
    }
    void writableDirectory(std::string_view) override {}
  } recorder;
  FakeSystem sys;
  sys.homes = {{".\\jre", {true, "jb"}}};
  sys.vendors = {{"jv", "21"}};
  sys.loadable = {"jv"};
  SearchResult got;
  {
    const ScopedSearchObserver listening(recorder);
    got = runSearch(sys, "B.\\jre;EJH;x;V");
  }
  EXPECT_EQ(got.runtime, (FoundRuntime{"jv", "21"}));
  EXPECT_EQ(recorder.events, (std::vector<std::string>{
                                 "bundled runtime .\\jre",
                                 "  jb 17 refused: no JVM library of it loads",
                                 "environment variable JH",
                                 "entry of unknown type 'x' (skipped)",
                                 "runtimes registered by vendors' installers",
                                 "  jv 21 taken: its JVM library loads",
                             }));
}

TEST(RegistryRuntimes, JavaSoftStepOrder) {
  const std::string jdk = "SOFTWARE\\JavaSoft\\JDK", jre = "SOFTWARE\\JavaSoft\\JRE";
  const std::string ojdk = "SOFTWARE\\JavaSoft\\Java Development Kit",
                    ojre = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
  EXPECT_EQ(javaSoftSteps(false), (std::vector<JavaSoftStep>{{true, jdk, jre},
                                                             {false, jre, ""},
                                                             {false, jdk, ""},
                                                             {true, ojdk, ojre},
                                                             {false, ojre, ""},
                                                             {false, ojdk, ""}}));
  EXPECT_EQ(javaSoftSteps(true),
            (std::vector<JavaSoftStep>{
                {true, jdk, ""}, {false, jdk, ""}, {true, ojdk, ""}, {false, ojdk, ""}}));
}

TEST(RegistryRuntimes, CurrentVersionKey) {
  const JavaSoftStep step{true, "JDK", "JRE"};
  const struct {
    std::string_view jdk, jre;
    std::optional<std::string> want;
  } cases[] = {
      {"11", "1.8", "JDK\\11"}, {"1.8", "1.8", "JRE\\1.8"}, {"", "1.8", "JRE\\1.8"},
      {"1.8", "", "JDK\\1.8"},  {"", "", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.jdk) + "|" + std::string(c.jre));
    EXPECT_EQ(currentVersionKey(step, c.jdk, c.jre), c.want);
  }
}

TEST(RegistryRuntimes, BestLocated) {
  const std::map<std::string, std::string> versions = {
      {"c:\\a\\java.exe", "11"},
      {"c:\\ksx_jres\\b\\java.exe", "17"},
      {"c:\\c\\java.exe", "17"},
      {"c:\\ksx_jres\\d\\java.exe", "1.8"},
  };
  auto check = [&](FoundRuntime& r) {
    auto it = versions.find(r.javaExe);
    if (it == versions.end()) return false;
    r.version = it->second;
    return true;
  };
  const std::vector<std::string> names = {"c:/a/java.exe", "c:/bad/java.exe",
                                          "c:/ksx_jres/b/java.exe", "c:/c/java.exe",
                                          "c:/ksx_jres/d/java.exe"};
  // Among the equal 17s the first found stays.
  EXPECT_EQ(bestLocated(names, true, check), (FoundRuntime{"c:\\ksx_jres\\b\\java.exe", "17"}));
  EXPECT_EQ(bestLocated({"c:/a/java.exe", "c:/KSX_JRES/x"}, false, check), std::nullopt);
  EXPECT_EQ(bestLocated({"c:/a/java.exe", "c:/ksx_jres/d/java.exe"}, false, check),
            (FoundRuntime{"c:\\ksx_jres\\d\\java.exe", "1.8"}));
}

TEST(RegistryRuntimes, PreferNewerKeepsTheHeldOneAmongEquals) {
  const FoundRuntime a{"a", "17"}, b{"b", "17"}, c{"c", "11"};
  EXPECT_EQ(preferNewer(a, b), b);
  EXPECT_EQ(preferNewer(a, c), a);
  EXPECT_EQ(preferNewer(c, a), a);
  EXPECT_EQ(preferNewer(std::nullopt, c), c);
  EXPECT_EQ(preferNewer(c, std::nullopt), c);
}

TEST(RegistryRuntimes, InstallationHomes) {
  EXPECT_EQ(installationHomes(";c:\\a;;d:\\b;"),
            (std::vector<std::string>{"c:\\a\\jre", "d:\\b\\jre"}));
  EXPECT_TRUE(installationHomes("").empty());
}

}  // namespace
}  // namespace zarvo
