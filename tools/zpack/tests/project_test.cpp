#include "project.h"

#include <gtest/gtest.h>

#include "default_messages.h"

namespace zpack {
namespace {

std::optional<Project> parse(std::string_view toml, std::vector<std::string>& errors) {
  return parseProject(toml, "p.toml", "/proj", errors);
}

TEST(Project, MapsEveryReadableSettingToItsKey) {
  const char* toml = R"toml(
stub = "stubs/launcher.exe"
output = "/out/App.exe"
classpath = ["A0.\\lib\\app.jar", {directory = "conf", required = true}, {scan = "lib"},
             {env = "APP_CP"}, {archive = "x.jar", required = false}]
modulepath = [{directory = "mods"}]

[service]
name = "ZarvoHello"
description = "Says hello – politely"
dependencies = ["Tcpip", "Dnscache"]
auto_start = true
display_name = "Zarvo Hello Service"
account = "virtual"
delayed_auto_start = true
restart_delay_seconds = 30
restart_limit = 3
failure_reset_seconds = 3600
restart_on_error_stop = true
preshutdown_timeout_seconds = 120
event_log_on_failure = true

[application]
main_class = "com.example.hello.Hello"
arguments = ["--name", "Zoë Smith", ""]
working_directory = "."
module_mode = false
directory = "app"
id = "hello"

[java]
min_version = "1.8"
max_version = "17"
search = ["B.\\jre", {type = "registry"}, {type = "env", name = "JAVA_HOME"},
          {type = "directory", path = "C:\\Java"}, {type = "runtime", path = "rt"},
          {type = "search_path"}, {type = "bundled", path = "jdk"}]
vm_options = ["-Xmx256m", "-Dhello.greeting=Hello World", "-Dq=\"x\""]
version_options = [{versions = "9-", options = ["--add-opens", "java.base/java.lang=ALL-UNNAMED"]},
                   {versions = "-8", options = []},
                   {versions = "11"},
                   {pattern = "1.8.0_*", options = ["-XX:+UseG1GC"]}]
allow_early_access = true
require_jdk = false
jvm_subdirectory = "server"
restricted_registry = true
read_vmoptions_file = true
j_arguments_are_vm_options = true
ignore_option_variables = true

[log]
stderr = "logs\\err.log"
stdout = true

[instance]
single = true
activate_windows = true
global = true

[native]
library_dirs = ["lib\\native", "bin"]
register_dll_directories = true

[launcher]
flavour = "kestrix"
fifth_argument = true
long_temp_path = true
reduce_path = true

[splash]
init = true
arg2 = true
arg3 = "s3"
arg4 = 4
arg5 = -5
arg14 = 14

[files]
include = ["build/hello.jar", {source = "deps/a.jar", name = "lib/a.jar"}]

[keys]
"10009" = false
"99999" = "custom"
)toml";
  std::vector<std::string> errors;
  auto project = parse(toml, errors);
  ASSERT_TRUE(project.has_value()) << (errors.empty() ? "" : errors.front());

  const std::map<int32_t, std::string> expected = {
      {101, "ZarvoHello"},
      {102, "1"},
      {103, "logs\\err.log"},
      {104, "1"},
      {106, "1"},
      {107, "4"},
      {108, "1"},
      {121, "A0.\\lib\\app.jar;D1conf;S0lib;E0APP_CP;A0x.jar;"},
      {122, "com.example.hello.Hello"},
      {123, "-Xmx256m \"-Dhello.greeting=Hello World\" '-Dq=\"x\"'"},
      {124, "--name \"Zo\xEB Smith\" \"\""},
      {125, "1"},
      {126, "1.8"},
      {127, "17"},
      {128, "B.\\jre;Y;EJAVA_HOME;AC:\\Java;Rrt;S;Bjdk;"},
      {130, "1"},
      {132, "D0mods;"},
      {146, "."},
      {149, "Tcpip,Dnscache"},
      {152, "server"},
      {154, "1"},
      {158, "1"},
      {160, "hello"},
      {163, "1"},
      {165, "1"},
      {166, "1"},
      {2001, "k"},
      {2002, "2"},
      {2003, "hello.jar;lib\\a.jar"},
      {5001, "Zarvo Hello Service"},
      {5002, "virtual"},
      {5003, "1"},
      {5004, "30"},
      {5005, "3"},
      {5006, "3600"},
      {5007, "1"},
      {5008, "120"},
      {5009, "1"},
      {10003, "app"},
      {10004, "lib\\native;bin"},
      {10005, "1"},
      {10008, "1"},
      {10009, "0"},
      {10010, "1"},
      {10012, "1"},
      {10109, "4"},
      {10110, "-5"},
      {10111, "s3"},
      {10122, "14"},
      {10200, "4"},
      {10201, "9-2147483647"},
      {10202, "--add-opens java.base/java.lang=ALL-UNNAMED"},
      {10203, "0-8"},
      {10204, ""},
      {10205, "11-11"},
      {10206, ""},
      {10207, "*1.8.0_*"},
      {10208, "-XX:+UseG1GC"},
      {99999, "custom"},
  };
  EXPECT_EQ(project->block.records, expected);
  EXPECT_EQ(project->block.messages.at(20017), u"Says hello \u2013 politely");
  EXPECT_EQ(project->stub, std::filesystem::path("/proj/stubs/launcher.exe"));
  EXPECT_EQ(project->output, std::filesystem::path("/out/App.exe"));
  ASSERT_EQ(project->files.size(), 2u);
  EXPECT_EQ(project->files[0].source, std::filesystem::path("/proj/build/hello.jar"));
  EXPECT_EQ(project->files[1].name, "lib\\a.jar");
}

TEST(Project, MinimalProjectCarriesTheDefaultMessagesOnly) {
  std::vector<std::string> errors;
  auto project = parse("[application]\nmain_class = \"a.Main\"\n", errors);
  ASSERT_TRUE(project.has_value());
  // A service keeps its failures in the event log and runs in the executable's directory.
  EXPECT_EQ(project->block.records,
            (std::map<int32_t, std::string>{{122, "a.Main"}, {146, "."}, {5009, "1"}}));
  std::map<int32_t, std::u16string> defaults;
  for (const DefaultMessage& m : defaultMessages()) defaults[m.id] = std::u16string(m.text);
  EXPECT_EQ(project->block.messages, defaults);
  EXPECT_EQ(defaults.size(), 23u);  // 1000..1021 and the (empty) service description
  // German and French translations ship by default.
  ASSERT_EQ(project->block.languageTables.size(), 2u);
  EXPECT_EQ(project->block.languageTables[0].prefix, "de");
  EXPECT_EQ(project->block.languageTables[0].entries.at(1009),
            u"Ein interner Fehler ist aufgetreten (Fehlercode: {0})");
  EXPECT_EQ(project->block.languageTables[1].prefix, "fr");
}

TEST(Project, DefaultsGiveWayToTheProjectsOwnChoice) {
  struct Case {
    const char* settings;                         // after main_class in [application]
    std::optional<std::string> eventLog;          // key 5009
    std::optional<std::string> workingDirectory;  // key 146
  };
  const Case cases[] = {
      {"", "1", "."},
      {"[service]\nevent_log_on_failure = false\n", std::nullopt, "."},
      {"[service]\nevent_log_on_failure = true\n", "1", "."},
      {"working_directory = \"\"\n", "1", ""},  // the directory the process started in
      {"working_directory = \"data\"\n", "1", "data"},
      {"[keys]\n146 = \"x\"\n5009 = \"0\"\n", "0", "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings);
    std::vector<std::string> errors;
    auto project =
        parse("[application]\nmain_class = \"a.Main\"\n" + std::string(c.settings), errors);
    ASSERT_TRUE(project.has_value()) << (errors.empty() ? "" : errors.front());
    auto record = [&](int32_t id) -> std::optional<std::string> {
      auto found = project->block.records.find(id);
      return found == project->block.records.end() ? std::nullopt : std::optional(found->second);
    };
    EXPECT_EQ(record(5009), c.eventLog);
    EXPECT_EQ(record(146), c.workingDirectory);
  }
}

TEST(Project, NumbersOverrideReadableSettings) {
  const char* toml = R"toml(
[application]
main_class = "a.Main"
[service]
name = "Readable"
description = "Readable"
[messages]
1000 = "Fehler!"
20017 = "By number"
[languages.de_CH]
1000 = "Fehler (CH)"
[languages.de]
1000 = "Fehler"
1014 = "OK"
[languages.""]
1013 = "Problem"
[keys]
101 = "ByNumber"
121 = "A0only.jar;"
)toml";
  std::vector<std::string> errors;
  auto project = parse(toml, errors);
  ASSERT_TRUE(project.has_value()) << (errors.empty() ? "" : errors.front());
  EXPECT_EQ(project->block.records.at(101), "ByNumber");
  EXPECT_EQ(project->block.records.at(121), "A0only.jar;");
  EXPECT_EQ(project->block.messages.at(1000), u"Fehler!");
  EXPECT_EQ(project->block.messages.at(20017), u"By number");
  // A prefix comes before its extensions, so the specific table wins where both apply.
  const auto& tables = project->block.languageTables;
  ASSERT_EQ(tables.size(), 4u);
  EXPECT_EQ(tables[0].prefix, "");
  EXPECT_EQ(tables[1].prefix, "de");
  EXPECT_EQ(tables[2].prefix, "de_CH");
  EXPECT_EQ(tables[3].prefix, "fr");
  // The project's own German 1000 replaces the shipped one; the shipped 1009 stays.
  EXPECT_EQ(tables[1].entries.at(1000), u"Fehler");
  EXPECT_EQ(tables[1].entries.at(1014), u"OK");
  EXPECT_EQ(tables[1].entries.at(1009), u"Ein interner Fehler ist aufgetreten (Fehlercode: {0})");
  // A base text replaced in [messages] drops the shipped translations of that id.
  EXPECT_EQ(tables[3].entries.count(1000), 0u);
}

TEST(Project, ReportsFileLineAndKey) {
  struct Case {
    std::string toml;  // followed by a main class unless it has its own [application]
    std::string error;
  };
  const std::string mainClass = "[application]\nmain_class = \"a.Main\"\n";
  const Case cases[] = {
      // Types and names.
      {"[java]\nmin_version = 1.8\n",
       "p.toml:2: java.min_version: expected a string, found a floating-point number"},
      {"[java]\nmin_versoin = \"1.8\"\n", "p.toml:2: java.min_versoin: unknown key"},
      {"[sevrice]\nname = \"x\"\n", "p.toml:1: sevrice: unknown key"},
      {"[java]\nrequire_jdk = \"yes\"\n", "p.toml:2: java.require_jdk: expected a boolean"},
      {"[splash]\narg4 = 3000000000\n", "p.toml:2: splash.arg4: the number does not fit 32 bits"},
      {"classpath = [{archive = \"a.jar\", reqired = true}]\n",
       "p.toml:1: classpath[0].reqired: unknown key"},
      {"[[java.version_options]]\nversion = \"9-\"\n",
       "p.toml:2: java.version_options[0].version: unknown key"},
      {"[keys]\n\"abc\" = \"1\"\n", "p.toml:2: keys.abc: expected a key number"},
      {"[keys]\n10010 = \"yes\"\n", "p.toml:2: keys.10010: launcher.reduce_path is a number"},
      {"[keys]\n2002 = \"3\"\n", "p.toml:2: keys.2002: is set from files.include"},
      {"[messages]\nfirst = \"x\"\n", "p.toml:2: messages.first: expected a message id"},
      {"[languages.de-DE]\n1000 = \"x\"\n", "p.toml:1: languages.de-DE: expected a locale prefix"},
      {"[launcher]\nflavour = \"other\"\n", "p.toml:2: launcher.flavour: expected \"zarvo\""},
      {"[launcher]\nruntime_jar = 1\n", "p.toml:2: launcher.runtime_jar: expected true"},
      {"[launcher]\nflavour = \"kestrix\"\nruntime_jar = true\n",
       "p.toml:3: launcher.runtime_jar: is not used by the kestrix flavour"},
      {"[log]\nstderr = 1\n", "p.toml:2: log.stderr: expected true"},
      {"[java]\nsearch = [\"Xnothing\"]\n", "p.toml:2: java.search[0]: expected a type letter"},
      {"[java]\nsearch = [{type = \"env\"}]\n", "p.toml:2: java.search[0].name: missing"},
      {"[java]\nsearch = [{type = \"registry\", path = \"x\"}]\n",
       "p.toml:2: java.search[0].path: not used by a \"registry\" entry"},
      {"classpath = [\"Q0x\"]\n", "p.toml:1: classpath[0]: expected a type letter"},
      {"classpath = [{archive = \"a.jar\", scan = \"lib\"}]\n",
       "p.toml:1: classpath[0]: give only one of"},
      {"[[java.version_options]]\nversions = \"11-9\"\n", "matches no version"},
      {"[[java.version_options]]\nversions = \"-\"\n", "expected feature versions"},
      {"[[java.version_options]]\nversions = \"9\"\npattern = \"1.8*\"\n", "give exactly one of"},
      // Malformed TOML that reached faults inside the TOML parser: a table header without a
      // name, a bare key with a non-ASCII letter.
      {"[\n", "p.toml:1:"},
      {"[[\n", "p.toml:1:"},
      {"c=[}\n", "p.toml:1:"},
      {"c={ =1}\n", "p.toml:1:"},
      {"read_vmop\u00e9ions_file = true\n", "p.toml:1:"},
      {"[product]\nversion = \"1.2.3.4.5\"\n",
       "p.toml:2: product.version: expected one to four numbers from 0 to 65535"},
      {"[product]\nversion = \"1.70000\"\n", "p.toml:2: product.version: expected one to four"},
      {"[product]\nname = \"" + std::string(100, 'n') + "\"\n",
       "p.toml:2: product.name: at most 99 characters fit the version resource"},
      {"[product]\nmanufacturer = \"\"\n", "p.toml:2: product.manufacturer: is empty"},
      // A key below the wrong table header is named with the table it belongs to.
      {"[application]\nmain_class = \"a.Main\"\nmin_version = \"11\"\n",
       "p.toml:3: application.min_version: unknown key: it is a key of [java]: in TOML every key "
       "after a [table] header belongs to that table"},
      {"[java]\nclasspath = [\"Aa.jar\"]\n",
       "p.toml:2: java.classpath: unknown key: it is a top-level key, which goes above the first"},
      {"[service]\nauto_start = true\n[launcher]\nwindowed = true\n",
       "p.toml:2: service.auto_start: cannot be combined with launcher.windowed"},
      // Names longer than Windows takes (a description is held to the launcher's 5999 units,
      // far below Windows' limit).
      {"[service]\nname = \"" + std::string(257, 'n') + "\"\n",
       "p.toml:2: service.name: the stored value is 257 characters long; Windows accepts at most "
       "256 for service.name"},
      {"[service]\ndisplay_name = \"" + std::string(257, 'd') + "\"\n",
       "p.toml:2: service.display_name: the stored value is 257 characters long; Windows accepts "
       "at most 256 for service.display_name"},
      // Values the launcher could not store or would read differently.
      {"[service]\nname = \"Euro \xE2\x82\xAC\"\n",
       "p.toml:2: service.name: character U+20AC (\xE2\x82\xAC) cannot be stored"},
      {"[java]\nvm_options = [\"a\\u0000b\"]\n",
       "p.toml:2: java.vm_options[0]: contains a NUL character"},
      {"name = \n", "p.toml:1: invalid TOML: "},
      {"[java]\nvm_options = [\"-Da=it's \\\"x\\\"\"]\n",
       "p.toml:2: java.vm_options[0]: contains both a double and a single quote"},
      {"[java]\nsearch = [\"B.\\\\jre;Y\"]\n", "p.toml:2: java.search[0]: contains ';'"},
      {"classpath = [{scan = \"a;b\"}]\n", "p.toml:1: classpath[0].scan: contains ';'"},
      {"[service]\ndependencies = [\"a,b\"]\n", "p.toml:2: service.dependencies[0]: contains ','"},
      // Service options: known accounts, sensible numbers, nothing that would do nothing.
      {"[service]\naccount = \"Administrator\"\n", "p.toml:2: service.account: expected"},
      {"[service]\nrestart_delay_seconds = 0\n",
       "p.toml:2: service.restart_delay_seconds: expected a number from 1"},
      {"[service]\nrestart_delay_seconds = 5\nrestart_limit = 101\n",
       "p.toml:3: service.restart_limit: expected a number from 0 to 100"},
      {"[service]\npreshutdown_timeout_seconds = 3000000\n", "expected a number from 1 to"},
      {"[service]\nrestart_limit = 2\n",
       "p.toml:2: service.restart_limit: has no effect without service.restart_delay_seconds"},
      {"[service]\nrestart_on_error_stop = true\n", "without service.restart_delay_seconds"},
      {"[service]\ndelayed_auto_start = true\n",
       "p.toml:2: service.delayed_auto_start: has no effect without service.auto_start"},
      {"[java]\njvm_subdirectory = \"" + std::string(200, 'x') + "\"\n",
       "p.toml:2: java.jvm_subdirectory: the stored value is 200 characters long; the launcher "
       "reads at most 199"},
      {mainClass + "arguments = [\"" + std::string(2000, 'x') + "\"]\n", "at most 1999"},
      // Included file names: they become paths under the launcher's temporary directory.
      {"[files]\ninclude = [{source = \"a.jar\", name = \"\"}]\n", "the name is empty"},
      {"[files]\ninclude = [{source = \"a.jar\", name = \"\\\\abs.jar\"}]\n", "is absolute"},
      {"[files]\ninclude = [{source = \"a.jar\", name = \"C:x.jar\"}]\n", "names a drive"},
      {"[files]\ninclude = [{source = \"a.jar\", name = \"C:\\\\x.jar\"}]\n", "names a drive"},
      {"[files]\ninclude = [{source = \"a.jar\", name = \"../x.jar\"}]\n",
       "p.toml:2: files.include[0].name: the name \"..\\x.jar\" contains a \"..\" component"},
      {"[files]\ninclude = [{source = \"a.jar\", name = \"a/b/c.jar\"}]\n",
       "more than one directory level"},
      {"[files]\ninclude = [{source = \"a.jar\", name = \"a;b.jar\"}]\n", "contains ';'"},
      {"[files]\ninclude = [{source = \"a.jar\", name = \"lib//a.jar\"}]\n",
       "empty path component"},
      {"[files]\ninclude = [{source = \"a.jar\", name = \"a?.jar\"}]\n", "does not allow"},
      {"[files]\ninclude = [{source = \"a.jar\", name = \"nul.jar\"}]\n",
       "reserved Windows device"},
      {"[files]\ninclude = [\"x/a.jar\", \"y/A.JAR\"]\n", "is used by an earlier file"},
      {"[files]\ninclude = [\"lib/\"]\n", "set name = "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.toml);
    std::vector<std::string> errors;
    std::string toml = c.toml;
    if (toml.find("[application]") == std::string::npos) toml += mainClass;
    EXPECT_FALSE(parse(toml, errors).has_value());
    std::string all;
    for (const std::string& e : errors) all += e + "\n";
    EXPECT_NE(all.find(c.error), std::string::npos) << all;
  }
}

// The vendors' registrations are an entry of their own, which launchers that do not know its
// letter skip; it takes no value.
TEST(Project, VendorRuntimesSearchEntry) {
  const std::string start = "[application]\nmain_class = \"a.Main\"\n[java]\nsearch = ";
  std::vector<std::string> errors;
  auto project = parse(
      start + "[{type = \"bundled\", path = \"jre\"}, {type = \"vendors\"}, \"V\"]\n", errors);
  ASSERT_TRUE(project.has_value()) << (errors.empty() ? "" : errors.front());
  EXPECT_EQ(project->block.records.at(128), "Bjre;V;V;");

  const struct {
    std::string search;
    std::string error;
  } cases[] = {
      {"[{type = \"vendors\", name = \"Azul\"}]",
       "java.search[0].name: not used by a \"vendors\" entry"},
      {"[{type = \"vendor\"}]", "or \"vendors\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.search);
    errors.clear();
    EXPECT_FALSE(parse(start + c.search + "\n", errors).has_value());
    std::string all;
    for (const std::string& e : errors) all += e + "\n";
    EXPECT_NE(all.find(c.error), std::string::npos) << all;
  }
}

TEST(Project, MissingMainClassIsAnError) {
  std::vector<std::string> errors;
  EXPECT_FALSE(parse("[service]\nname = \"x\"\n", errors).has_value());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0],
            "p.toml: application.main_class: not set; the launcher needs the class to start");
}

TEST(Project, ReportsAllProblemsInLineOrder) {
  std::vector<std::string> errors;
  parse("[java]\nmin_version = 8\n[application]\nmain_class = \"a.M\"\nfoo = 1\n", errors);
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0].rfind("p.toml:2:", 0), 0u);
  EXPECT_EQ(errors[1].rfind("p.toml:5:", 0), 0u);
}

TEST(Project, ProductSettingsReachTheVersionResourceTexts) {
  std::vector<std::string> errors;
  auto project = parseProject(
      "[product]\nname = \"Lager S\xc3\xbc\x64\"\nversion = \"2.04.1\"\nmanufacturer = \"Acme\"\n"
      "[application]\nmain_class = \"a.Main\"\n",
      "p.toml", "/p", errors);
  ASSERT_TRUE(project.has_value()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(project->product.name, u"Lager S\u00fcd");
  EXPECT_EQ(project->product.manufacturer, u"Acme");
  EXPECT_EQ(project->product.versionText, u"2.4.1");
  EXPECT_EQ(project->product.version, (std::array<uint16_t, 4>{2, 4, 1, 0}));
}

TEST(ProductVersion, OneToFourPartsOfSixteenBits) {
  using Parts = std::array<uint16_t, 4>;
  EXPECT_EQ(parseProductVersion("1"), (Parts{1, 0, 0, 0}));
  EXPECT_EQ(parseProductVersion("65535.0.7.65535"), (Parts{65535, 0, 7, 65535}));
  for (const char* bad :
       {"", ".", "1.", ".1", "1..2", "1.2.3.4.5", "65536", "-1", "+1", "1.x", "1 .2", "v1"}) {
    EXPECT_FALSE(parseProductVersion(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace zpack
