#include <gtest/gtest.h>

#include <jni.h>

#include <cstdarg>

#include <map>
#include <optional>

#include "diag/java_exception.h"
#include "diag/message_compose.h"
#include "launcher/library_failure.h"
#include "launcher/log_format.h"
#include "support/capture_log.h"

namespace zarvo {
namespace {

TEST(MessageCompose, ReplacesOnlyTheFirstPlaceholder) {
  const std::u16string internal = u"An internal error occurred (error code: {0})";
  EXPECT_EQ(composeMessage(internal, u"7"), u"An internal error occurred (error code: 7)");
  EXPECT_EQ(composeMessage(u"{0} and {0}", u"x"), u"x and {0}");
  EXPECT_EQ(composeMessage(u"No placeholder", u"dropped"), u"No placeholder");
  EXPECT_EQ(composeMessage(internal, std::nullopt), internal);
  EXPECT_EQ(composeMessage(u"{0}", std::u16string(7000, u'a')).size(), kMaxErrorTextUnits);
}

TEST(MessageCompose, DisplayTextNamesTheLog) {
  EXPECT_EQ(composeDisplayText(u"Text", std::nullopt), u"Text");
  EXPECT_EQ(composeDisplayText(u"Text", u"C:\\temp\\ksx_nlog_1.log"),
            u"Text\n\nLog: C:\\temp\\ksx_nlog_1.log");
}

TEST(LogFormat, NamesPrefixesAndFirstLine) {
  EXPECT_EQ(logFileName(u"C:\\Temp", 3), u"C:\\Temp\\ksx_nlog_3.log");
  EXPECT_EQ(logFileName(u"C:\\Temp\\", 1), u"C:\\Temp\\ksx_nlog_1.log");
  EXPECT_EQ(logFileName(u"Z:/tmp/", 2), u"Z:/tmp/ksx_nlog_2.log");
  EXPECT_EQ(logFileName(u"", 1), u"c:\\ksx_nlog_1.log");
  EXPECT_EQ(logTimePrefix(12007), u"[12:7] ");
  EXPECT_EQ(logTimePrefix(999), u"[0:999] ");
  EXPECT_EQ(logStartLine(u"C:\\a.exe", {2026, 12, 9, 4, 21, 33, 3}),
            u"Started executable C:\\a.exe at Wed Dec  9 04:21:33 2026\n\n");
}

// Which log file a process opens, over a directory of files that exist (of this account or of
// another) and a directory where nothing can be created.
TEST(LogFormat, OpensANewFileAndNeverOneOfAnotherAccount) {
  struct Files : LogFiles {
    std::map<std::u16string, bool> existing;  // path -> this account's own
    bool creatable = true;
    LogCreation createNew(const std::u16string& path) override {
      if (existing.contains(path)) return LogCreation::Exists;
      return creatable ? LogCreation::Created : LogCreation::Failed;
    }
    bool reuseOwn(const std::u16string& path) override { return existing.at(path); }
  };
  const auto numbered = [](int last, bool ours) {
    std::map<std::u16string, bool> files;
    for (int n = 1; n <= last; ++n) files[logFileName(u"C:\\T", n)] = ours;
    return files;
  };
  const std::u16string fallback(kFallbackLogPath);
  const struct {
    const char* what;
    std::map<std::u16string, bool> existing;
    bool creatable;
    std::optional<std::u16string> want;
  } cases[] = {
      {"the first free number", numbered(2, false), true, u"C:\\T\\ksx_nlog_3.log"},
      {"1000 taken, ours: written anew", numbered(1000, true), true, logFileName(u"C:\\T", 1000)},
      {"1000 taken by another account: the fall-back", numbered(1000, false), true, fallback},
      {"nothing creatable", {}, false, std::nullopt},
      {"the fall-back is another account's",
       [&] {
         auto files = numbered(1000, false);
         files[fallback] = false;
         return files;
       }(),
       true, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Files files;
    files.existing = c.existing;
    files.creatable = c.creatable;
    EXPECT_EQ(openLogFile(u"C:\\T", files), c.want);
  }
}

// A JNI environment that plays a pending exception whose toString() returns a fixed text, and
// records the calls the launcher makes, so the order rules of JNI can be checked.
struct FakeJvm {
  JNINativeInterface_ table{};
  JNIEnv env{};
  bool pending = true;
  bool describedWhilePending = false;
  bool calledWhilePending = false;
  std::u16string text = u"java.lang.IllegalStateException: boom";
  _jobject throwable{};
  _jobject string{};

  static FakeJvm*& current() {
    static FakeJvm* jvm = nullptr;
    return jvm;
  }
  static FakeJvm& of(JNIEnv*) { return *current(); }

  FakeJvm() {
    current() = this;
    env.functions = &table;
    table.ExceptionOccurred = [](JNIEnv* e) -> jthrowable {
      FakeJvm& f = of(e);
      return f.pending ? static_cast<jthrowable>(&f.throwable) : nullptr;
    };
    table.ExceptionCheck = [](JNIEnv* e) -> jboolean {
      return of(e).pending ? JNI_TRUE : JNI_FALSE;
    };
    table.ExceptionClear = [](JNIEnv* e) { of(e).pending = false; };
    table.Throw = [](JNIEnv* e, jthrowable) -> jint {
      of(e).pending = true;
      return 0;
    };
    table.ExceptionDescribe = [](JNIEnv* e) {
      of(e).describedWhilePending = of(e).pending;
      of(e).pending = false;
    };
    table.GetObjectClass = [](JNIEnv*, jobject) -> jclass { return reinterpret_cast<jclass>(1); };
    table.GetMethodID = [](JNIEnv* e, jclass, const char* name, const char* sig) -> jmethodID {
      if (of(e).pending) of(e).calledWhilePending = true;
      return std::string(name) == "toString" && std::string(sig) == "()Ljava/lang/String;"
                 ? reinterpret_cast<jmethodID>(1)
                 : nullptr;
    };
    // The C++ JNIEnv wrapper forwards CallObjectMethod(...) to CallObjectMethodV.
    table.CallObjectMethodV = [](JNIEnv* e, jobject, jmethodID, va_list) -> jobject {
      if (of(e).pending) of(e).calledWhilePending = true;
      return &of(e).string;
    };
    table.GetStringChars = [](JNIEnv* e, jstring, jboolean*) -> const jchar* {
      return reinterpret_cast<const jchar*>(of(e).text.c_str());
    };
    table.GetStringLength = [](JNIEnv* e, jstring) -> jsize {
      return static_cast<jsize>(of(e).text.size());
    };
    table.ReleaseStringChars = [](JNIEnv*, jstring, const jchar*) {};
  }
};

TEST(CheckJavaException, NothingPending) {
  FakeJvm jvm;
  jvm.pending = false;
  test::CaptureLog log;
  EXPECT_TRUE(CheckJavaException(&jvm.env, true));
  EXPECT_TRUE(log.lines().empty());
}

TEST(CheckJavaException, LogsDescribesAndClears) {
  FakeJvm jvm;
  test::CaptureLog log;
  EXPECT_FALSE(CheckJavaException(&jvm.env, true));
  EXPECT_EQ(log.lines(),
            (std::vector<std::u16string>{u"ERROR: an exception occurred",
                                         u"ERROR: java.lang.IllegalStateException: boom"}));
  EXPECT_FALSE(jvm.pending);
  EXPECT_FALSE(jvm.calledWhilePending);
  EXPECT_TRUE(jvm.describedWhilePending);
}

TEST(CheckJavaException, WithoutDescribeOnlyLogsAndClears) {
  FakeJvm jvm;
  test::CaptureLog log;
  EXPECT_FALSE(CheckJavaException(&jvm.env, false));
  EXPECT_FALSE(jvm.describedWhilePending);
  EXPECT_FALSE(jvm.pending);
}

std::string libraryMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = formatLibraryMessage(format, args);
  va_end(args);
  return text;
}

// The standard library passes some failures as a printf format: the stub ends with the text
// made from it, not with the format itself.
TEST(LibraryFailure, FormatsWhatTheLibraryPasses) {
  EXPECT_EQ(libraryMessage("%s: __pos (which is %zu) > this->size() (which is %zu)",
                           "basic_string::substr", size_t{7}, size_t{3}),
            "basic_string::substr: __pos (which is 7) > this->size() (which is 3)");
  EXPECT_EQ(libraryMessage("%lu%% of %s", 5ul, "x"), "5% of x");
  // After a conversion it does not know, nothing more is read.
  EXPECT_EQ(libraryMessage("%d then %s", 1, "never"), "%d then %s");
}

}  // namespace
}  // namespace zarvo
