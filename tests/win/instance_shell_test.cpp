#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_store.h"
#include "config/keys.h"
#include "instance/semaphore_name.h"
#include "instance/single_instance_win.h"
#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo {
namespace {

// HKEY_CURRENT_USER redirected to a scratch key for the test, so that the process ids written
// here never reach the user's real hive; the scratch key is deleted afterwards.
class InstanceShell : public ::testing::Test {
 protected:
  void SetUp() override {
    scratchPath_ = "Software\\zarvo-instance-test-" + std::to_string(::GetCurrentProcessId());
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, scratchPath_.c_str(), 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, scratch_.put(),
                                nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, scratch_.get()), ERROR_SUCCESS);
  }
  void TearDown() override {
    ResetSingleInstance();
    ResetConfiguration();
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    scratch_.reset();
    ::RegDeleteTreeA(HKEY_CURRENT_USER, scratchPath_.c_str());
  }

  // Writes this executable's pid value directly, bypassing RegisterPid.
  void writePidValue(DWORD type, const std::string& bytes) {
    UniqueRegKey pids;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kPidsRegistryKey, 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, pids.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExA(pids.get(), InstanceKey().c_str(), 0, type,
                               reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
  }

  std::string scratchPath_;
  UniqueRegKey scratch_;
};

// Whether some process holds a semaphore of that name (probing opens and closes a handle).
bool isHeld(const std::string& name) {
  UniqueHandle probe(::CreateSemaphoreA(nullptr, 1, 1, name.c_str()));
  return ::GetLastError() == ERROR_ALREADY_EXISTS;
}

TEST_F(InstanceShell, RegisteredPidReadsBackAsAPlainDword) {
  EXPECT_EQ(ReadOtherPid(), 0u);  // no key yet
  RegisterPid();
  EXPECT_EQ(ReadOtherPid(), ::GetCurrentProcessId());

  // Other programs (and the end-to-end tests) find it at this place, under this name and type.
  DWORD type = 0;
  DWORD pid = 0;
  DWORD sizeBytes = sizeof pid;
  ASSERT_EQ(::RegGetValueA(HKEY_CURRENT_USER, "SOFTWARE\\halvorn\\zarvo\\pids",
                           InstanceKey().c_str(), RRF_RT_ANY, &type, &pid, &sizeBytes),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(pid, ::GetCurrentProcessId());
}

TEST_F(InstanceShell, OnlyAFourByteValueIsAPid) {
  const struct {
    const char* what;
    DWORD type;
    std::string bytes;
    uint32_t want;
  } cases[] = {
      {"dword", REG_DWORD, std::string("\x39\x30\0\0", 4), 12345},
      {"binary of four bytes", REG_BINARY, std::string("\x39\x30\0\0", 4), 12345},
      {"two bytes", REG_BINARY, std::string("\x39\x30", 2), 0},
      {"qword", REG_QWORD, std::string("\x39\x30\0\0\0\0\0\0", 8), 0},
      {"empty", REG_BINARY, std::string(), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    writePidValue(c.type, c.bytes);
    EXPECT_EQ(ReadOtherPid(), c.want);
  }
}

// In numbering mode a copy takes the lowest index whose semaphore nobody holds, and keeps it
// after the check returns. A name taken by an object of another kind cannot be created or
// opened; that copy proceeds with the index as if it had created it.
TEST_F(InstanceShell, NumberingTakesTheFirstFreeIndex) {
  const struct {
    const char* what;
    bool global;
    std::vector<int32_t> heldSemaphores;
    std::vector<int32_t> heldMutexes;
    int32_t want;
  } cases[] = {
      {"nothing held", false, {}, {}, 0},     {"0 held", false, {0}, {}, 1},
      {"0 and 1 held", false, {0, 1}, {}, 2}, {"a gap at 0", false, {1}, {}, 0},
      {"global, 0 held", true, {0}, {}, 1},   {"0 is a mutex", false, {}, {0}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<UniqueHandle> others;
    for (int32_t index : c.heldSemaphores) {
      const std::string name = BuildSemaphoreName(InstanceKey(), c.global, index);
      others.emplace_back(::CreateSemaphoreA(nullptr, 1, 1, name.c_str()));
    }
    for (int32_t index : c.heldMutexes) {
      const std::string name = BuildSemaphoreName(InstanceKey(), c.global, index);
      others.emplace_back(::CreateMutexA(nullptr, FALSE, name.c_str()));
    }
    Config().set(key::kGlobalSemaphore, c.global ? "1" : "0");

    CheckSingleInstance();

    const std::string want = BuildSemaphoreName(InstanceKey(), c.global, c.want);
    EXPECT_EQ(SemaphoreName(), want);
    others.clear();
    if (c.heldMutexes.empty()) {
      EXPECT_TRUE(isHeld(want));
    }
    ResetSingleInstance();
    EXPECT_FALSE(isHeld(want));
  }
}

// The first copy in single-instance mode holds the unnumbered name and records its pid for
// the copies that come after it.
TEST_F(InstanceShell, FirstSingleInstanceCopyHoldsTheNameAndRecordsItsPid) {
  Config().set(key::kSingleInstance, "1");
  CheckSingleInstance();
  EXPECT_EQ(SemaphoreName(), BuildSemaphoreName(InstanceKey(), false, std::nullopt));
  EXPECT_TRUE(isHeld(SemaphoreName()));
  EXPECT_EQ(ReadOtherPid(), ::GetCurrentProcessId());
}

// An executable whose path could not be used has no instance key. It must not take the name
// made from nothing, which every such executable would share: it takes no semaphore, records no
// process id and goes on, in either mode.
TEST_F(InstanceShell, NoInstanceKeyTakesNoSharedName) {
  for (const char* single : {"0", "1"}) {
    SCOPED_TRACE(single);
    Config().set(key::kSingleInstance, single);
    CheckSingleInstanceFor("");
    EXPECT_EQ(SemaphoreName(), "");
    EXPECT_FALSE(isHeld(BuildSemaphoreName("", false, 0)));
    EXPECT_FALSE(isHeld(BuildSemaphoreName("", false, std::nullopt)));
    EXPECT_EQ(ReadOtherPid(), 0u);
    ResetSingleInstance();
  }
}

// A minimised window of the copy that holds the semaphore comes back only when asked to, and
// only for that copy's process. Windows need a display: the end-to-end tests run this test on a
// virtual one (tests/e2e/test_message_boxes.py); without one it is skipped.
TEST(ActivateWindows, RestoresAMinimisedWindowOfThatProcessOnRequest) {
  for (const bool restore : {false, true}) {
    SCOPED_TRACE(restore);
    const HWND window =
        ::CreateWindowExW(0, L"STATIC", L"zarvo instance test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                          0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    if (window == nullptr) GTEST_SKIP() << "no window without a display (use xvfb-run)";
    ::ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(::IsIconic(window));

    ActivateWindows(::GetCurrentProcessId() + 4, true);  // another process's windows only
    EXPECT_TRUE(::IsIconic(window));
    ActivateWindows(::GetCurrentProcessId(), restore);
    EXPECT_EQ(::IsIconic(window) != FALSE, !restore);
    ::DestroyWindow(window);
  }
}

}  // namespace
}  // namespace zarvo
