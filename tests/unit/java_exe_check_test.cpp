#include "jvmsearch/java_exe_check.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "config/config_store.h"
#include "config/keys.h"
#include "jvmsearch/search_observer.h"
#include "support/capture_log.h"
#include "support/printers.h"

namespace zarvo {
namespace {

TEST(JavaExeCheck, BannerVersionComesFromTheFirstLineOnly) {
  const struct {
    std::string captured;
    std::optional<std::string> want;
  } cases[] = {
      {"openjdk version \"17.0.2\" 2022-01-18\nOpenJDK Runtime Environment\n", "17.0.2"},
      {"java version \"1.8.0_201\"\r\nJava(TM) SE Runtime Environment\r\n", "1.8.0_201"},
      {"openjdk version \"21-ea\" 2023-09-19\n", "21-ea"},
      // Another line before the banner: not understood, so refused.
      {"Picked up _JAVA_OPTIONS: -Xmx1g\nopenjdk version \"17.0.2\"\n", std::nullopt},
      // No closing quote: the rest of the line without its end.
      {"openjdk version \"17.0.2 \r\nnext\n", "17.0.2"},
      {"openjdk version \"\" 2022\n", ""},
      {"openjdk version \"\r\n", ""},
      {"openjdk version 17\n", std::nullopt},
      {"", std::nullopt},
      // The line is read up to 99 bytes: a marker beyond them is not seen, a version cut by
      // them is kept as far as it goes.
      {std::string(99, 'x') + " version \"17\"\n", std::nullopt},
      {std::string(85, 'x') + " version \"17.0.2\"\n", "17.0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.captured);
    EXPECT_EQ(parseVersionBanner(c.captured), c.want);
  }
}

// The first line of "java -version" as each vendor's runtime prints it (the vendor's name is on
// the lines after it, which are not read), judged end to end: the quoted version, its feature
// release, the early-access test and the bounds 11 to 21.
TEST(JavaExeCheck, VendorBannersAreJudgedRight) {
  const struct {
    const char* vendor;
    std::string firstLine;
    std::string version;
    int32_t feature;
    bool earlyAccess;
    bool within11To21;
  } cases[] = {
      {"Eclipse Temurin 21", "openjdk version \"21.0.1\" 2023-10-17 LTS", "21.0.1", 21, false,
       true},
      {"Eclipse Temurin 8", "openjdk version \"1.8.0_392\"", "1.8.0_392", 8, false, false},
      {"Microsoft 17", "openjdk version \"17.0.9\" 2023-10-17 LTS", "17.0.9", 17, false, true},
      {"Microsoft 11", "openjdk version \"11.0.21\" 2023-10-17 LTS", "11.0.21", 11, false, true},
      {"Azul Zulu 8", "openjdk version \"1.8.0_392\"", "1.8.0_392", 8, false, false},
      {"Azul Zulu 22 early access", "openjdk version \"22-ea\" 2024-03-19", "22-ea", 22, true,
       false},
      {"Amazon Corretto 17", "openjdk version \"17.0.9\" 2023-10-17 LTS", "17.0.9", 17, false,
       true},
      {"Amazon Corretto 8", "openjdk version \"1.8.0_392\"", "1.8.0_392", 8, false, false},
      {"BellSoft Liberica 21", "openjdk version \"21.0.1\" 2023-10-17 LTS", "21.0.1", 21, false,
       true},
      // IBM's certified builds add a fourth number.
      {"IBM Semeru 17", "openjdk version \"17.0.8.1\" 2023-08-24", "17.0.8.1", 17, false, true},
      {"IBM Semeru 11", "openjdk version \"11.0.21\" 2023-10-17", "11.0.21", 11, false, true},
      {"Oracle 8", "java version \"1.8.0_391\"", "1.8.0_391", 8, false, false},
      {"Oracle 21", "java version \"21.0.1\" 2023-10-17 LTS", "21.0.1", 21, false, true},
      // A build from source carries no early-access marker: its number alone decides.
      {"a build from source", "openjdk version \"23-internal\" 2024-09-17", "23-internal", 23,
       false, false},
      // A release candidate is early access, whatever its number.
      {"early-access release candidate", "openjdk version \"21-rc\" 2023-09-19", "21-rc", 21, true,
       true},
  };
  const VersionComponents minimum{11};
  const VersionComponents maximum{21};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.vendor);
    const auto version = parseVersionBanner(c.firstLine + "\r\nOpenJDK Runtime Environment\r\n");
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(*version, c.version);
    EXPECT_EQ(featureVersion(*version), c.feature);
    EXPECT_EQ(isEarlyAccessVersion(*version), c.earlyAccess);
    // Early access allowed here, so that only the bounds decide.
    EXPECT_EQ(isVersionAcceptable(*version, minimum, maximum, true), c.within11To21);
  }
}

TEST(JavaExeCheck, CacheKeyAndTrust) {
  EXPECT_EQ(versionCacheKey("c:\\java\\jre8\\bin\\java.exe"),
            "SOFTWARE\\halvorn\\zarvo\\jvms\\c:/java/jre8/bin/java.exe");

  const struct {
    std::string_view version;
    bool trusted;
  } cases[] = {{"1.0.0", false},   {"1.5.", false},  {"1.6.", false}, {"1.7.", false},
               {"1.7.0_80", true}, {"17.0.2", true}, {"1.7", true},   {"1.0.0_1", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.version));
    EXPECT_EQ(isTrustedCachedVersion(c.version), c.trusted);
  }
}

TEST(JavaExeCheck, WindowedTwinReplacesTheExeSuffix) {
  EXPECT_EQ(windowedJavaPath("c:\\j\\bin\\java.exe"), "c:\\j\\bin\\javaw.exe");
  EXPECT_EQ(windowedJavaPath("c:\\j\\bin\\java"), std::nullopt);
  EXPECT_EQ(windowedJavaPath("exe"), std::nullopt);
}

// A file system, cache and version run in memory, recording what checkJavaExe asked of them.
struct World {
  std::map<std::string, uint64_t> files;                  // path -> last-write time
  std::map<std::string, std::string> cache;               // trusted entries only
  std::map<std::string, std::optional<std::string>> run;  // what a "-version" run yields
  std::vector<std::string> runs;
  std::map<std::string, std::string> written;

  JavaExeProbe probe() {
    return {
        [](std::string_view p) {
          std::string full = p.find(':') == std::string_view::npos ? "c:\\app\\" : "";
          for (char c : p) full += c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
          return full;
        },
        [this](const std::string& p, uint64_t* lastWrite) {
          const auto it = files.find(p);
          if (it == files.end()) return false;
          *lastWrite = it->second;
          return true;
        },
        [this](const std::string& p, uint64_t) -> std::optional<std::string> {
          const auto it = cache.find(p);
          if (it == cache.end()) return std::nullopt;
          return it->second;
        },
        [this](const std::string& p, uint64_t) -> std::optional<std::string> {
          runs.push_back(p);
          const auto it = run.find(p);
          return it == run.end() ? std::nullopt : it->second;
        },
        [this](const std::string& p, uint64_t, std::string_view v) { written[p] = v; },
        [this](const std::string& p) { return files.count(p) != 0; },
        [this](const std::string& directory) {
          asked.push_back(directory);
          return writable.count(directory) != 0;
        },
        [this](const std::string& home) -> std::optional<std::string> {
          const auto it = releases.find(home);
          if (it == releases.end()) return std::nullopt;
          return releaseFileVersion(it->second);
        },
        [this](const std::string& home) { return jvmLibraries.count(home) != 0; },
    };
  }
  std::map<std::string, std::string> releases;  // home -> its release file
  std::set<std::string> jvmLibraries;           // homes with bin\server\jvm.dll
  std::set<std::string> writable;               // directories other users can change
  std::vector<std::string> asked;               // directories whose permissions were read
};

class CheckJavaExe : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConfiguration();
    ResetNonWorkingJavaList();
  }
  void TearDown() override {
    ResetConfiguration();
    ResetNonWorkingJavaList();
  }
};

constexpr char kJava[] = "c:\\jre\\bin\\java.exe";
constexpr char kJavaw[] = "c:\\jre\\bin\\javaw.exe";

TEST_F(CheckJavaExe, DecidesFromCacheOrRunWithinBounds) {
  struct Case {
    const char* what;
    std::map<std::string, std::string> cache;
    std::optional<std::string> ran;
    JavaExeRequest request;
    bool want;
    std::string wantVersion;
    bool wantRun;
  };
  const VersionComponents v8{1, 8};
  const VersionComponents v11{11};
  const Case cases[] = {
      {"trusted cache entry spares the run", {{kJava, "17.0.2"}}, "1.1", {}, true, "17.0.2", false},
      {"cache miss runs", {}, "17.0.2", {}, true, "17.0.2", true},
      {"run without version", {}, std::nullopt, {}, false, "", true},
      {"above maximum", {{kJava, "17.0.2"}}, {}, {v8, v11, false, false}, false, "17.0.2", false},
      {"within bounds", {}, "1.8.0_201", {v8, v11, false, false}, true, "1.8.0_201", true},
      {"early access refused", {}, "21-ea", {}, false, "21-ea", true},
      {"early access permitted", {}, "21-ea", {{}, {}, true, false}, true, "21-ea", true},
      {"windowed takes javaw", {{kJava, "17"}}, {}, {{}, {}, false, true}, true, "17", false},
      // The empty version is a version: cached, and refused only by a bound.
      {"empty version without bounds", {}, "", {}, true, "", true},
      {"empty version below a minimum", {}, "", {v8, {}, false, false}, false, "", true},
      {"empty version from the cache", {{kJava, ""}}, {}, {}, true, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    World world;
    world.files = {{kJava, 7}, {kJavaw, 7}};
    world.cache = c.cache;
    world.run[kJava] = c.ran;
    std::string path = "C:\\JRE\\bin\\java.exe";
    std::string version = "stale";
    EXPECT_EQ(checkJavaExeWith(world.probe(), c.request, path, version), c.want);
    EXPECT_EQ(path, c.request.windowed ? kJavaw : kJava);
    EXPECT_EQ(version, c.wantVersion);
    EXPECT_EQ(!world.runs.empty(), c.wantRun);
    // Whatever a run yields is cached, acceptable or not; a failed run is not cached here.
    if (c.wantRun && c.ran) {
      EXPECT_EQ(world.written[kJava], *c.ran);
    } else {
      EXPECT_TRUE(world.written.empty());
    }
  }
}

TEST(JavaExeCheck, ReleaseFileStatesTheVersion) {
  const struct {
    std::string text;
    std::optional<std::string> want;
  } cases[] = {
      {"IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_RUNTIME_VERSION=\"17.0.9+9\"\n"
       "JAVA_VERSION=\"17.0.9\"\nJAVA_VERSION_DATE=\"2023-10-17\"\n",
       "17.0.9"},
      {"JAVA_VERSION=\"1.8.0_392\"\r\nOS_NAME=\"Windows\"\r\n", "1.8.0_392"},
      // An early-access build says so in its runtime version only.
      {"JAVA_VERSION=\"21\"\nJAVA_RUNTIME_VERSION=\"21-ea+35-2513\"\n", "21-ea"},
      {"JAVA_RUNTIME_VERSION=\"21+35-2513\"\nJAVA_VERSION=\"21\"\n", "21"},
      {"JAVA_VERSION=11.0.2\n", "11.0.2"},
      {"MY_JAVA_VERSION=\"9\"\nJAVA_VERSION_DATE=\"2023\"\n", std::nullopt},
      {"JAVA_VERSION=\"\"\n", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(releaseFileVersion(c.text), c.want);
  }
  EXPECT_EQ(runtimeHomeOf("c:\\jdk\\bin\\java.exe"), "c:\\jdk");
  EXPECT_EQ(runtimeHomeOf("c:\\jdk\\jre\\bin\\javaw.exe"), "c:\\jdk\\jre");
  EXPECT_EQ(runtimeHomeOf("c:\\jdk\\java.exe"), "");
  EXPECT_EQ(runtimeHomeOf("\\bin\\java.exe"), "");
  EXPECT_EQ(runtimeHomeOf("java.exe"), "");
}

TEST_F(CheckJavaExe, ConfigurationAllowsEarlyAccessForEveryCaller) {
  Config().set(key::kAllowEarlyAccess, "1");
  World world;
  world.files = {{kJava, 7}};
  world.cache = {{kJava, "17-beta"}};
  std::string path = kJava;
  std::string version;
  EXPECT_TRUE(checkJavaExeWith(world.probe(), {}, path, version));
}

TEST_F(CheckJavaExe, RefusesMissingFilesAndMissingWindowedTwin) {
  World world;
  world.files = {{kJava, 7}};
  world.cache = {{kJava, "17.0.2"}};
  test::CaptureLog log;

  std::string path = "bin\\java.exe";  // relative: resolved, never run
  std::string version;
  EXPECT_FALSE(checkJavaExeWith(world.probe(), {}, path, version));
  EXPECT_EQ(path, "c:\\app\\bin\\java.exe");
  EXPECT_TRUE(log.contains(u"file doesn't exist"));

  path = kJava;
  EXPECT_FALSE(checkJavaExeWith(world.probe(), {{}, {}, false, true}, path, version));
  EXPECT_EQ(path, kJavaw);
  EXPECT_EQ(version, "17.0.2");
  EXPECT_TRUE(world.runs.empty());
}

TEST_F(CheckJavaExe, NonWorkingExecutablesAreRefusedSilently) {
  World world;
  world.files = {{kJava, 7}, {kJavaw, 7}};
  world.cache = {{kJava, "17.0.2"}};
  test::CaptureLog log;

  // After a load failure of javaw.exe's runtime, a windowed launcher refuses it; the plain
  // java.exe is a different entry and still passes for a console launcher.
  EXPECT_TRUE(addNonWorkingJava(kJavaw));
  std::string path = kJava;
  std::string version;
  EXPECT_FALSE(checkJavaExeWith(world.probe(), {{}, {}, false, true}, path, version));
  EXPECT_FALSE(log.contains(u"checkJavaExe returning 0"));
  path = kJava;
  EXPECT_TRUE(checkJavaExeWith(world.probe(), {}, path, version));
  EXPECT_TRUE(log.contains(u"checkJavaExe returning 1"));

  for (size_t i = NonWorkingJavaList().size(); i + 1 < kNonWorkingJavaLimit; ++i) {
    EXPECT_TRUE(addNonWorkingJava("c:\\x" + std::to_string(i)));
  }
  EXPECT_FALSE(addNonWorkingJava("c:\\last"));
  EXPECT_EQ(NonWorkingJavaList().size(), kNonWorkingJavaLimit);
}

// Every refusal names its reason to the search's observer, and the one reason that applies.
struct RecordedVerdicts : SearchObserver {
  std::vector<std::pair<std::string, Verdict>> seen;
  void location(std::u16string_view) override {}
  void candidate(std::string_view path, std::string_view, Verdict verdict) override {
    seen.emplace_back(std::string(path), verdict);
  }
  void writableDirectory(std::string_view directory) override { writable.emplace_back(directory); }
  std::vector<std::string> writable;
};

TEST_F(CheckJavaExe, TellsTheObserverWhy) {
  const VersionComponents v11{11};
  const struct {
    const char* what;
    std::string path;
    std::map<std::string, std::string> cache;
    JavaExeRequest request;
    bool broken;
    Verdict want;
  } cases[] = {
      {"fits", kJava, {{kJava, "17"}}, {}, false, Verdict::Fits},
      {"missing", "c:\\none\\java.exe", {}, {}, false, Verdict::NotFound},
      {"no version", kJava, {}, {}, false, Verdict::NoVersion},
      {"too old",
       kJava,
       {{kJava, "1.8.0_392"}},
       {v11, {}, false, false},
       false,
       Verdict::OutOfBounds},
      {"early access",
       kJava,
       {{kJava, "22-ea"}},
       {v11, {}, false, false},
       false,
       Verdict::EarlyAccess},
      {"early access and too old: the bounds",
       kJava,
       {{kJava, "9-ea"}},
       {v11, {}, true, false},
       false,
       Verdict::OutOfBounds},
      {"no javaw", kJava, {{kJava, "17"}}, {{}, {}, false, true}, false, Verdict::NoWindowedJava},
      {"failed before", kJava, {{kJava, "17"}}, {}, true, Verdict::NotWorking},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ResetNonWorkingJavaList();
    if (c.broken) addNonWorkingJava(kJava);
    World world;
    world.files = {{kJava, 7}};
    world.cache = c.cache;
    RecordedVerdicts observer;
    std::string path = c.path;
    std::string version;
    {
      const ScopedSearchObserver listening(observer);
      checkJavaExeWith(world.probe(), c.request, path, version);
    }
    ASSERT_EQ(observer.seen.size(), 1u);
    EXPECT_EQ(observer.seen[0].second, c.want);
    EXPECT_EQ(observer.seen[0].first, path);
  }
}

// Whoever can change a runtime's directory can run code as the service: the log and an onlooker
// hear of it for the executable's directory and the home above it. Nobody listening, the
// permissions are not read at all.
TEST_F(CheckJavaExe, NamesDirectoriesOthersCanChange) {
  World world;
  world.files = {{kJava, 7}};
  world.cache = {{kJava, "17"}};
  world.writable = {"c:\\jre\\bin", "c:\\jre"};
  std::string path = kJava;
  std::string version;
  checkJavaExeWith(world.probe(), {}, path, version);
  EXPECT_TRUE(world.asked.empty());

  RecordedVerdicts observer;
  {
    const ScopedSearchObserver listening(observer);
    path = kJava;
    checkJavaExeWith(world.probe(), {}, path, version);
    path = "c:\\none\\java.exe";
    checkJavaExeWith(world.probe(), {}, path, version);
  }
  EXPECT_EQ(observer.writable, (std::vector<std::string>{"c:\\jre\\bin", "c:\\jre"}));
  EXPECT_EQ(world.asked, (std::vector<std::string>{"c:\\jre\\bin", "c:\\jre"}));
}

TEST_F(CheckJavaExe, ReleaseFileSparesTheRunAndServesAnImageWithoutJavaExe) {
  constexpr char kHome[] = "c:\\jre";
  constexpr char kRelease[] = "JAVA_VERSION=\"17.0.9\"\n";
  const VersionComponents v21{21};
  struct Case {
    const char* what;
    bool javaExe;
    bool jvmLibrary;
    const char* release;
    std::map<std::string, std::string> cache;
    JavaExeRequest request;
    bool want;
    std::string wantVersion;
    std::string shown;  // the path the observer hears
  };
  const Case cases[] = {
      {"image: release file and jvm.dll",
       false,
       true,
       kRelease,
       {},
       {},
       true,
       "17.0.9",
       "c:\\jre\\release"},
      {"image outside the bounds",
       false,
       true,
       kRelease,
       {},
       {v21, {}, false, false},
       false,
       "17.0.9",
       "c:\\jre\\release"},
      {"image of a windowed launcher needs no javaw.exe",
       false,
       true,
       kRelease,
       {},
       {{}, {}, false, true},
       true,
       "17.0.9",
       "c:\\jre\\release"},
      {"no jvm.dll: no runtime", false, false, kRelease, {}, {}, false, "", kJava},
      {"no release file: no runtime", false, true, nullptr, {}, {}, false, "", kJava},
      {"java.exe and release file: no run", true, true, kRelease, {}, {}, true, "17.0.9", kJava},
      {"the cache comes first",
       true,
       true,
       kRelease,
       {{kJava, "17.0.2"}},
       {},
       true,
       "17.0.2",
       kJava},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    World world;
    if (c.javaExe) world.files = {{kJava, 7}};
    if (c.jvmLibrary) world.jvmLibraries = {kHome};
    if (c.release) world.releases[kHome] = c.release;
    world.cache = c.cache;
    world.run[kJava] = "1.1";
    RecordedVerdicts heard;
    ScopedSearchObserver listening(heard);
    std::string path = kJava;
    std::string version;
    EXPECT_EQ(checkJavaExeWith(world.probe(), c.request, path, version), c.want);
    EXPECT_EQ(path, kJava);  // the launcher finds jvm.dll from the java executable's directory
    EXPECT_EQ(version, c.wantVersion);
    EXPECT_TRUE(world.runs.empty());
    EXPECT_TRUE(world.written.empty());  // a file read is as cheap as the cache
    ASSERT_EQ(heard.seen.size(), 1u);
    EXPECT_EQ(heard.seen[0].first, c.shown);
  }
}

}  // namespace
}  // namespace zarvo
