#include "jvmsearch/vendor_runtimes.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/printers.h"

namespace zarvo {
namespace {

// A registry of one root and view, as keys with ordered sub-keys and string values.
struct FakeRegistry : VendorRegistry {
  std::map<std::string, std::vector<std::string>> subKeys;
  std::map<std::string, std::map<std::string, std::string>> values;

  std::vector<std::string> subKeyNames(const std::string& path) override {
    auto it = subKeys.find(path);
    return it == subKeys.end() ? std::vector<std::string>{} : it->second;
  }
  std::optional<std::string> pathValue(const std::string& path, const char* name) override {
    auto key = values.find(path);
    if (key == values.end()) return std::nullopt;
    auto value = key->second.find(name);
    if (value == key->second.end()) return std::nullopt;
    return value->second;
  }
};

// The keys as the installers write them: the MSI family one key per version and JVM with the
// home in "Path" (with its trailing backslash), the others one key per feature release with the
// home in "InstallationPath".
TEST(VendorRuntimes, ReadsEachLayout) {
  FakeRegistry reg;
  const std::string temurin = "SOFTWARE\\Eclipse Adoptium\\JDK";
  reg.subKeys[temurin] = {"17.0.9.9", "21.0.1.12"};
  reg.subKeys[temurin + "\\17.0.9.9"] = {"hotspot"};
  reg.values[temurin + "\\17.0.9.9\\hotspot\\MSI"] = {{"Path", "C:\\Temurin\\jdk-17\\"},
                                                      {"Main", "1"}};
  reg.subKeys[temurin + "\\21.0.1.12"] = {"hotspot"};
  reg.values[temurin + "\\21.0.1.12\\hotspot\\MSI"] = {{"Path", "C:\\Temurin\\jdk-21\\"}};
  const std::string semeru = "SOFTWARE\\Semeru\\JRE";
  reg.subKeys[semeru] = {"17.0.8.1"};
  reg.subKeys[semeru + "\\17.0.8.1"] = {"openj9"};
  reg.values[semeru + "\\17.0.8.1\\openj9\\MSI"] = {{"Path", "D:\\Semeru\\jre-17\\"}};
  const std::string zulu = "SOFTWARE\\Azul Systems\\Zulu";
  reg.subKeys[zulu] = {"zulu-11", "zulu-8-jre", "zulu-empty"};
  reg.values[zulu + "\\zulu-11"] = {{"InstallationPath", "C:\\Zulu\\zulu-11\\"}};
  reg.values[zulu + "\\zulu-8-jre"] = {{"InstallationPath", "C:\\Zulu\\zulu-8-jre"}};
  reg.values[zulu + "\\zulu-empty"] = {{"InstallationPath", ""}};
  const std::string liberica = "SOFTWARE\\BellSoft\\Liberica";
  reg.subKeys[liberica] = {"jdk-21"};
  reg.values[liberica + "\\jdk-21"] = {{"InstallationPath", "E:\\"}};
  // A version key without the JVM level is not the documented layout: nothing is guessed.
  reg.subKeys["SOFTWARE\\Microsoft\\JDK"] = {"11.0.21.9"};
  reg.values["SOFTWARE\\Microsoft\\JDK\\11.0.21.9"] = {{"Path", "C:\\Microsoft\\jdk-11\\"}};

  EXPECT_EQ(vendorRuntimes(reg), (std::vector<VendorRuntime>{
                                     {"C:\\Temurin\\jdk-17", temurin + "\\17.0.9.9\\hotspot\\MSI"},
                                     {"C:\\Temurin\\jdk-21", temurin + "\\21.0.1.12\\hotspot\\MSI"},
                                     {"D:\\Semeru\\jre-17", semeru + "\\17.0.8.1\\openj9\\MSI"},
                                     {"C:\\Zulu\\zulu-11", zulu + "\\zulu-11"},
                                     {"C:\\Zulu\\zulu-8-jre", zulu + "\\zulu-8-jre"},
                                     {"E:\\", liberica + "\\jdk-21"},
                                 }));
}

TEST(VendorRuntimes, LaterRepeatsOfAHomeAreDropped) {
  const std::vector<VendorRuntime> listed = {
      {"C:\\Temurin\\jdk-21", "HKLM\\a"},
      {"C:\\Zulu\\zulu-17", "HKLM\\b"},
      {"c:\\temurin\\JDK-21", "HKCU\\a"},
      {"C:\\Zulu\\zulu-17", "HKLM (32-bit)\\b"},
  };
  EXPECT_EQ(withoutRepeatedHomes(listed), (std::vector<VendorRuntime>{listed[0], listed[1]}));
}

// The newest acceptable runtime wins; among equal versions the first listed.
TEST(VendorRuntimes, NewestAcceptableWinsAndTheFirstBreaksTies) {
  const std::map<std::string, std::string> versions = {
      {"a", "17.0.9"}, {"b", "21.0.1"}, {"c", "21.0.1"}, {"d", "22"}};
  auto check = [&](const VendorRuntime& runtime, FoundRuntime& found) {
    found = {runtime.home + "\\bin\\java.exe", versions.at(runtime.home)};
    return runtime.home != "d";  // refused, although newest
  };
  const std::vector<VendorRuntime> listed = {{"a", ""}, {"b", ""}, {"d", ""}, {"c", ""}};
  EXPECT_EQ(newestAcceptable(listed, check), (FoundRuntime{"b\\bin\\java.exe", "21.0.1"}));
  EXPECT_EQ(newestAcceptable({}, check), std::nullopt);
}

}  // namespace
}  // namespace zarvo
