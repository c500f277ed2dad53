#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "config/config_store.h"
#include "config/keys.h"
#include "launcher/start_up_win.h"
#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo {
namespace {

constexpr const char* kNames[] = {"_JAVA_OPTIONS", "JDK_JAVA_OPTIONS", "JAVA_TOOL_OPTIONS"};

using PutEnv = errno_t(__cdecl*)(const char*, const char*);
using GetEnv = char*(__cdecl*)(const char*);

std::optional<std::string> processVariable(const char* name) {
  char value[64];
  const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof value);
  if (length == 0 || length >= sizeof value) return std::nullopt;
  return std::string(value, length);
}

std::optional<std::string> crtVariable(GetEnv getenv, const char* name) {
  const char* value = getenv(name);
  return value ? std::optional<std::string>(value) : std::nullopt;
}

// A JVM library reads the option variables from its C runtime's copy of the environment, which
// is filled when that runtime starts and then lives apart from the process environment. The
// universal C runtime is loaded here before the variables are set, as a JVM library's runtime
// already is when an earlier library pulled it in; each copy gets the variables.
TEST(JavaOptionVariables, LeaveTheProcessAndBothCRuntimeCopies) {
  const UniqueLibrary universal(::LoadLibraryA("ucrtbase.dll"));
  ASSERT_TRUE(universal);
  const auto universalPutEnv = moduleFunction<PutEnv>(universal.get(), "_putenv_s");
  const auto universalGetEnv = moduleFunction<GetEnv>(universal.get(), "getenv");
  ASSERT_TRUE(universalPutEnv && universalGetEnv);
  const GetEnv ownGetEnv = [](const char* name) { return std::getenv(name); };

  for (const char* setting : {"0", "1"}) {
    SCOPED_TRACE(setting);
    for (const char* name : kNames) {
      ASSERT_EQ(_putenv_s(name, "-Xmx1m"), 0);
      ASSERT_EQ(universalPutEnv(name, "-Xmx1m"), 0);
      ASSERT_TRUE(::SetEnvironmentVariableA(name, "-Xmx1m"));
    }
    ResetConfiguration();
    Config().set(key::kIgnoreJavaOptionVariables, setting);

    RemoveJavaOptionVariables();

    const bool removed = setting[0] == '1';
    const std::optional<std::string> want = removed ? std::nullopt : std::optional("-Xmx1m");
    for (const char* name : kNames) {
      SCOPED_TRACE(name);
      EXPECT_EQ(processVariable(name), want);
      EXPECT_EQ(crtVariable(ownGetEnv, name), want);
      EXPECT_EQ(crtVariable(universalGetEnv, name), want);
    }
  }
  for (const char* name : kNames) {
    _putenv_s(name, "");
    universalPutEnv(name, "");
    ::SetEnvironmentVariableA(name, nullptr);
  }
  ResetConfiguration();
}

}  // namespace
}  // namespace zarvo
