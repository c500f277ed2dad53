// The stand-ins for a runtime's jvm.dll and jli.dll that the launcher's tests run against,
// driven here the way a launcher drives them, so that those tests can trust what they record.
#include <gtest/gtest.h>
#include <jni.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "paths/paths.h"
#include "support/test_files_win.h"
#include "win/windows.h"

namespace zarvo {
namespace {

using test::fixturesDir;
using test::linesOf;
using test::writeFile;

template <class Function>
Function exported(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// A path in the temp directory, the same in a death test's child as in its parent and distinct
// for each build of the tests.
std::string scratchPath(const std::string& name) {
  char base[MAX_PATH + 1];
  ::GetTempPathA(MAX_PATH + 1, base);
  return std::string(base) + "Zvo-StandIn-" +
         std::to_string(std::hash<std::string>()(GetModulePathA()) % 1000000) + "-" + name;
}

using CreateJavaVm = jint(JNICALL*)(JavaVM**, void**, void*);

// Loaded once, it stays for the rest of the process: every JNI_CreateJavaVM starts a new JVM.
CreateJavaVm createJavaVm() {
  static const HMODULE jvm = ::LoadLibraryA((fixturesDir() + "jvm\\jvm.dll").c_str());
  return jvm == nullptr ? nullptr : exported<CreateJavaVm>(jvm, "JNI_CreateJavaVM");
}

const char kLauncherClass[] = "com/zarvo/runtime/WinLauncher";
const char kMainSignature[] = "([Ljava/lang/String;)V";

class JvmStandIn : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(createJavaVm(), nullptr) << fixturesDir(); }
  void TearDown() override { ::DeleteFileA(transcript_.c_str()); }

  // Creates a JVM for `scenario` that records to a fresh transcript named `name`.
  void create(const std::string& name, const std::string& scenario,
              std::vector<std::string> extraOptions = {}) {
    transcript_ = scratchPath(name + ".log");
    ::DeleteFileA(transcript_.c_str());
    optionTexts_ = {"-Dzarvo.test.transcript=" + transcript_, "-Dzarvo.test.scenario=" + scenario};
    optionTexts_.insert(optionTexts_.end(), extraOptions.begin(), extraOptions.end());
    std::vector<JavaVMOption> options;
    for (std::string& text : optionTexts_) options.push_back({text.data(), nullptr});
    JavaVMInitArgs args{JNI_VERSION_1_2, static_cast<jint>(options.size()), options.data(),
                        JNI_TRUE};
    ASSERT_EQ(createJavaVm()(&vm_, reinterpret_cast<void**>(&env_), &args), JNI_OK);
  }

  jstring javaString(const std::u16string& text) {
    return env_->NewString(reinterpret_cast<const jchar*>(text.data()),
                           static_cast<jsize>(text.size()));
  }

  // What a launcher's exception report does: toString() of the pending exception through JNI,
  // then the JVM's own description.
  std::u16string describePending() {
    jthrowable pending = env_->ExceptionOccurred();
    env_->ExceptionClear();
    jclass type = env_->GetObjectClass(pending);
    jmethodID toString = env_->GetMethodID(type, "toString", "()Ljava/lang/String;");
    auto text = static_cast<jstring>(env_->CallObjectMethod(pending, toString));
    const jchar* chars = env_->GetStringChars(text, nullptr);
    std::u16string result(chars, chars + env_->GetStringLength(text));
    env_->ReleaseStringChars(text, chars);
    env_->DeleteLocalRef(text);
    env_->DeleteLocalRef(type);
    env_->Throw(pending);
    env_->ExceptionDescribe();
    return result;
  }

  // A launcher's run of main with `arguments`: it stops at a missing class or method or at an
  // exception (returning its text) and destroys the JVM when main returned normally.
  std::u16string runMain(const std::vector<std::u16string>& arguments) {
    jclass launcher = env_->FindClass(kLauncherClass);
    if (launcher == nullptr) return describePending();
    jmethodID main = env_->GetStaticMethodID(launcher, "main", kMainSignature);
    if (main == nullptr) return describePending();
    jclass string = env_->FindClass("java/lang/String");
    jobjectArray array =
        env_->NewObjectArray(static_cast<jsize>(arguments.size()), string, nullptr);
    for (size_t i = 0; i < arguments.size(); ++i) {
      jstring element = javaString(arguments[i]);
      env_->SetObjectArrayElement(array, static_cast<jsize>(i), element);
      env_->DeleteLocalRef(element);
    }
    env_->CallStaticVoidMethod(launcher, main, array);
    if (env_->ExceptionCheck()) return describePending();
    EXPECT_EQ(vm_->DestroyJavaVM(), JNI_OK);
    return u"";
  }

  // The transcript after its creation lines ("create", the options, the working directory and
  // the three option variables as the process environment and the C runtime hold them).
  std::vector<std::string> events() const {
    const std::vector<std::string> lines = linesOf(transcript_);
    const size_t head = std::min(lines.size(), 1 + optionTexts_.size() + 7);
    return std::vector<std::string>(lines.begin() + static_cast<ptrdiff_t>(head), lines.end());
  }

  std::string transcript_;
  std::vector<std::string> optionTexts_;
  JavaVM* vm_ = nullptr;
  JNIEnv* env_ = nullptr;
};

TEST_F(JvmStandIn, RecordsCreationAndTheCallsBeforeMain) {
  // The variables as a JVM would find them in the process environment and in its C runtime's
  // copy (set through the C runtime, which passes the change on to the process environment).
  _putenv_s("_JAVA_OPTIONS", "-Xmx1m");
  _putenv_s("JDK_JAVA_OPTIONS", "");
  _putenv_s("JAVA_TOOL_OPTIONS", "");
  ::SetEnvironmentVariableA("JDK_JAVA_OPTIONS", "-Xss1m");
  create("before-main", "return", {"-Xmx64m", "-Dzarvo.moduleName=C:\\App\\app.exe"});
  jclass launcher = env_->FindClass(kLauncherClass);
  jmethodID splash = env_->GetStaticMethodID(
      launcher, "initAwtSplashConfig",
      "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V");
  jstring image = env_->NewStringUTF("splash.png");
  env_->CallStaticVoidMethod(launcher, splash, JNI_TRUE, JNI_FALSE, image, 1, -2, nullptr, 3, 4,
                             image, 5, 6, image, 7, 8);

  jclass system = env_->FindClass("java/lang/System");
  jmethodID setProperty = env_->GetStaticMethodID(
      system, "setProperty", "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;");
  jstring key = env_->NewStringUTF("zarvo.moduleName");
  jstring value = javaString(u"C:\\\u00c4pp\\app.exe");
  auto previous =
      static_cast<jstring>(env_->CallStaticObjectMethod(system, setProperty, key, value));
  ASSERT_NE(previous, nullptr);
  EXPECT_EQ(env_->GetStringLength(previous), 14);  // the -D option's C:\App\app.exe

  jclass common = env_->FindClass("com/kestrix/runtime/installer/platform/win32/Common");
  jmethodID init = env_->GetStaticMethodID(common, "initFromLauncher", "(Z)V");
  env_->CallStaticVoidMethod(common, init, JNI_TRUE);
  EXPECT_FALSE(env_->ExceptionCheck());
  EXPECT_EQ(vm_->DestroyJavaVM(), JNI_OK);

  char directory[MAX_PATH + 1];
  directory[::GetCurrentDirectoryA(MAX_PATH + 1, directory)] = '\0';
  const std::vector<std::string> want = {
      "create version=0x10002 ignoreUnrecognized=1",
      "option -Dzarvo.test.transcript=" + transcript_,
      "option -Dzarvo.test.scenario=return",
      "option -Xmx64m",
      "option -Dzarvo.moduleName=C:\\App\\app.exe",
      std::string("cwd ") + directory,
      "env _JAVA_OPTIONS=-Xmx1m",
      "env JDK_JAVA_OPTIONS=-Xss1m",
      "env JAVA_TOOL_OPTIONS unset",
      "crt-env _JAVA_OPTIONS=-Xmx1m",
      "crt-env JDK_JAVA_OPTIONS unset",  // set in the process environment only
      "crt-env JAVA_TOOL_OPTIONS unset",
      "find-class com/zarvo/runtime/WinLauncher",
      "static-method initAwtSplashConfig "
      "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V",
      "splash 1 0 splash.png 1 -2 null 3 4 splash.png 5 6 splash.png 7 8",
      "find-class java/lang/System",
      "static-method setProperty (Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;",
      "set-property zarvo.moduleName=C:\\\xc3\x84pp\\app.exe",
      "find-class com/kestrix/runtime/installer/platform/win32/Common",
      "static-method initFromLauncher (Z)V",
      "init-from-launcher 1",
      "destroy"};
  EXPECT_EQ(linesOf(transcript_), want);
  _putenv_s("_JAVA_OPTIONS", "");
  ::SetEnvironmentVariableA("JDK_JAVA_OPTIONS", nullptr);
}

TEST_F(JvmStandIn, PlaysTheScenarioOfMain) {
  const std::vector<std::string> mainCalled = {
      "find-class com/zarvo/runtime/WinLauncher", "static-method main ([Ljava/lang/String;)V",
      "find-class java/lang/String", "main-arg 0 svc",
      "main-arg 1 b c \xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"};
  const auto afterMain = [&](std::vector<std::string> tail) {
    std::vector<std::string> all = mainCalled;
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
  };
  struct Case {
    std::string scenario;
    std::vector<std::string> events;
    std::u16string exception;  // what the launcher reads through toString()
  };
  const Case cases[] = {
      {"return", afterMain({"main-returned", "destroy"}), u""},
      {"throw",
       afterMain({"main-threw java.lang.IllegalStateException: boom",
                  "exception java.lang.IllegalStateException: boom"}),
       u"java.lang.IllegalStateException: boom"},
      // The number of milliseconds waited is checked apart.
      {"thread:300",
       afterMain({"thread-started 300", "main-returned", "destroy", "destroy-waited"}), u""},
      {"no-class",
       {"find-class com/zarvo/runtime/WinLauncher -> null",
        "exception java.lang.NoClassDefFoundError: com/zarvo/runtime/WinLauncher"},
       u"java.lang.NoClassDefFoundError: com/zarvo/runtime/WinLauncher"},
      {"no-main",
       {"find-class com/zarvo/runtime/WinLauncher",
        "static-method main ([Ljava/lang/String;)V -> null",
        "exception java.lang.NoSuchMethodError: main"},
       u"java.lang.NoSuchMethodError: main"},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    create("main-" + std::to_string(index++), c.scenario);
    EXPECT_EQ(runMain({u"svc", u"b c \u00e9\u20ac\U0001F600"}), c.exception);
    std::vector<std::string> events = this->events();
    for (std::string& line : events) {
      if (line.starts_with("destroy-waited ")) {
        EXPECT_GE(std::stoi(line.substr(15)), 250) << line;
        line = "destroy-waited";
      }
    }
    EXPECT_EQ(events, c.events);
    ::DeleteFileA(transcript_.c_str());
  }
}

// A death test's child creates its JVM anew and writes the transcript its parent reads.
using JvmStandInDeathTest = JvmStandIn;

TEST_F(JvmStandInDeathTest, EndsTheProcessWhereMainOrAMisuseDoes) {
  struct Case {
    std::string scenario;
    std::function<void()> run;
    int exitCode;
    std::string lastEvent;
  };
  const Case cases[] = {
      {"exit:7", [this] { runMain({}); }, 7, "exit 7"},
      {"return", [this] { env_->GetSuperclass(env_->FindClass(kLauncherClass)); }, 97,
       "unexpected JNI call 10"},
      {"return",
       [this] {
         env_->FindClass("com/example/Missing");
         env_->FindClass(kLauncherClass);
       },
       97, "FindClass with an exception pending"},
      {"return",
       [this] {
         jclass type = env_->FindClass(kLauncherClass);
         env_->DeleteLocalRef(type);
         env_->GetStaticMethodID(type, "main", kMainSignature);
       },
       97, "GetStaticMethodID with a reference that is not live"},
  };
  // The child of a death test runs this function again up to its own case: nothing but the
  // statement that ends it may come before the checks, which must not run in the children.
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EXIT(
        {
          create("death-" + std::to_string(i), cases[i].scenario);
          cases[i].run();
        },
        ::testing::ExitedWithCode(cases[i].exitCode),
        cases[i].exitCode == 97 ? cases[i].lastEvent : "")
        << cases[i].lastEvent;
  }
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].lastEvent);
    transcript_ = scratchPath("death-" + std::to_string(i) + ".log");
    const std::vector<std::string> lines = linesOf(transcript_);
    EXPECT_EQ(lines.empty() ? "" : lines.back(), cases[i].lastEvent);
    ::DeleteFileA(transcript_.c_str());
  }
}

// The stand-in's list type.
struct JliList {
  char** elements;
  size_t size;
  size_t capacity;
};

TEST(JliStandIn, ExpandsArgumentFilesAndRecordsEachCall) {
  const std::string dir = scratchPath("jli");
  ASSERT_TRUE(::CreateDirectoryA(dir.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
  // A copy of its own: the stand-in records beside itself.
  ASSERT_TRUE(
      ::CopyFileA((fixturesDir() + "jli\\jli.dll").c_str(), (dir + "\\jli.dll").c_str(), FALSE));
  ::DeleteFileA((dir + "\\transcript.log").c_str());
  const HMODULE jli = ::LoadLibraryA((dir + "\\jli.dll").c_str());
  ASSERT_NE(jli, nullptr);
  const auto init = exported<void (*)(jboolean, jboolean)>(jli, "JLI_InitArgProcessing");
  const auto preprocess = exported<JliList* (*)(const char*, jboolean)>(jli, "JLI_PreprocessArg");
  const auto memFree = exported<void (*)(void*)>(jli, "JLI_MemFree");
  ASSERT_TRUE(init && preprocess && memFree);

  init(JNI_TRUE, JNI_FALSE);
  struct Case {
    std::string contents;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"-Xmx1g \"-Dname=a b\"\r\n\t--add-opens  java.base/java.lang=ALL-UNNAMED\n",
       {"-Xmx1g", "-Dname=a b", "--add-opens", "java.base/java.lang=ALL-UNNAMED"}},
      {"x\"y z\"\"\" \"\"", {"xy z", ""}},
      {" \r\n", {}},
  };
  const std::string file = dir + "\\options.txt";
  std::vector<std::string> wantTranscript = {"jli-init 1 0"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.contents);
    writeFile(file, c.contents);
    JliList* list = preprocess(("@" + file).c_str(), JNI_TRUE);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(std::vector<std::string>(list->elements, list->elements + list->size), c.want);
    memFree(list->elements);
    memFree(list);
    wantTranscript.push_back("jli-expand @" + file + " -> " + std::to_string(c.want.size()));
  }
  EXPECT_EQ(preprocess("-Xss1m", JNI_TRUE), nullptr);
  EXPECT_EQ(preprocess(("@" + dir + "\\missing.txt").c_str(), JNI_TRUE), nullptr);
  wantTranscript.push_back("jli-expand -Xss1m -> keep");
  wantTranscript.push_back("jli-expand @" + dir + "\\missing.txt -> unreadable");
  EXPECT_EQ(linesOf(dir + "\\transcript.log"), wantTranscript);

  ::FreeLibrary(jli);
  for (const char* name : {"\\jli.dll", "\\transcript.log", "\\options.txt"}) {
    ::DeleteFileA((dir + name).c_str());
  }
  ::RemoveDirectoryA(dir.c_str());
}

}  // namespace
}  // namespace zarvo
