#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <regex>

#include "base/text.h"
#include "paths/paths.h"
#include "paths/temp_dir.h"
#include "win/private_security_win.h"
#include "win/unique_handle.h"
#include "win/windows.h"

#include <aclapi.h>
#include <sddl.h>

namespace zarvo {
namespace {

bool isDirectory(const std::u16string& path) {
  const DWORD attributes = ::GetFileAttributesW(wstr(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Names in the directory other than "." and "..".
std::vector<std::u16string> entriesOf(const std::u16string& directory) {
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW data;
  const std::u16string pattern = directory + u"\\*";
  HANDLE find = ::FindFirstFileW(wstr(pattern), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::u16string name(u16(data.cFileName));
    if (name != u"." && name != u"..") names.push_back(name);
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return names;
}

// The owner and access list of a file or directory as the system reads them back, in the
// descriptor language ("O:<sid>D:(A;;FA;;;SY)...").
std::u16string securityText(const std::u16string& path) {
  constexpr SECURITY_INFORMATION kWhat = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoW(wstr(path), SE_FILE_OBJECT, kWhat, nullptr, nullptr, nullptr, nullptr,
                              &descriptor) != ERROR_SUCCESS) {
    return u"(unreadable)";
  }
  const UniqueLocalMemory owned(descriptor);
  wchar_t* text = nullptr;
  if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, kWhat,
                                                              &text, nullptr)) {
    return u"(unconvertible)";
  }
  const UniqueLocalMemory ownedText(text);
  return std::u16string(u16(text));
}

// An empty directory of its own for each test, removed (with its files) afterwards.
class PathsShell : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetPathCaches();
    ResetTempBaseCaches();
    wchar_t base[MAX_PATH + 1];
    ASSERT_NE(::GetTempPathW(MAX_PATH + 1, base), 0u);
    dir_ = std::u16string(u16(base)) + u"zvo-paths-test-" +
           fromUtf8(std::to_string(::GetCurrentProcessId()));
    ASSERT_TRUE(::CreateDirectoryW(wstr(dir_), nullptr));
  }
  void TearDown() override {
    for (const std::u16string& name : entriesOf(dir_)) {
      const std::u16string path = dir_ + u"\\" + name;
      if (!::DeleteFileW(wstr(path))) ::RemoveDirectoryW(wstr(path));
    }
    ::RemoveDirectoryW(wstr(dir_));
  }
  std::u16string dir_;
};

TEST_F(PathsShell, ModulePathsNameThisExecutableInBothWidths) {
  const std::u16string& wide = GetModulePath();
  const std::string& narrow = GetModulePathA();
  EXPECT_TRUE(HasExeSuffix(narrowUnits(wide))) << toUtf8(wide);
  EXPECT_TRUE(HasExeSuffix(narrow)) << narrow;
  EXPECT_TRUE(FileExists(wide));
  EXPECT_TRUE(FileExistsA(narrow));
  // The narrow form may be a short form; both must resolve to the same file.
  uint64_t wideTime = 0, narrowTime = 0;
  ASSERT_TRUE(FindFileTime(wide, &wideTime));
  ASSERT_TRUE(FindFileTimeA(narrow, &narrowTime));
  EXPECT_EQ(wideTime, narrowTime);
  EXPECT_EQ(GetFullPath(NarrowToWide(GetFullPathA(narrow))), GetFullPath(wide));

  const ExeDirectory& exe = GetExeDirectory();
  EXPECT_EQ(wide.rfind(exe.wide, 0), 0u);
  EXPECT_EQ(wide.find(u'\\', exe.wide.size()), std::u16string::npos);
  EXPECT_EQ(exe.narrow.back(), '\\');
  EXPECT_EQ(exe.narrowWidened, widenBytes(exe.narrow));
}

TEST_F(PathsShell, MakeAbsoluteResolvesAgainstTheExecutableOrABaseFile) {
  const ExeDirectory& exe = GetExeDirectory();
  EXPECT_EQ(MakeAbsolute(u"lib\\a.jar"), exe.wide + u"lib\\a.jar");
  EXPECT_EQ(MakeAbsolute(u"lib\\a.jar", true), exe.narrowWidened + u"lib\\a.jar");
  EXPECT_EQ(MakeAbsoluteA("lib\\\\a.jar"), exe.narrow + "lib\\a.jar");
  EXPECT_EQ(MakeAbsolute(u"C:\\\\x\\\\\\y"), u"C:\\x\\y");
  EXPECT_EQ(MakeAbsolute(u"a.jar", false, u"C:\\base\\app.cfg"), u"C:\\base\\a.jar");
  EXPECT_EQ(MakeAbsoluteA("..\\a.jar", "C:\\base\\app.cfg"), "C:\\base\\..\\a.jar");
  // Too long to name a file: rejected, not cut.
  EXPECT_EQ(MakeAbsoluteA(std::string(kValueCapacity, 'x')), "");
}

TEST_F(PathsShell, FullPathsResolveDotsAndLowerCaseUnlessAsked) {
  const ExeDirectory& exe = GetExeDirectory();
  std::u16string lowerDir = exe.wide;
  lowerAsciiLetters(lowerDir);
  EXPECT_EQ(GetFullPath(u"Sub\\..\\Lib\\A.jar"), lowerDir + u"lib\\a.jar");
  EXPECT_EQ(GetFullPath(u"Sub\\..\\Lib\\A.jar", false, true), exe.wide + u"Lib\\A.jar");
  EXPECT_EQ(GetFullPathA("C:\\X\\.\\Y\\\\Z.JAR"), "c:\\x\\y\\z.jar");
}

TEST_F(PathsShell, PathListsSkipEmptyEntries) {
  const std::string& exe = GetExeDirectory().narrow;
  std::vector<std::string> seen;
  EXPECT_EQ(ResolvePathListA("a;;b;", [&](std::string_view e) { seen.emplace_back(e); }),
            exe + "a;" + exe + "b");
  EXPECT_EQ(seen, (std::vector<std::string>{exe + "a", exe + "b"}));
  EXPECT_EQ(ResolvePathListA(";C:\\x.jar"), "C:\\x.jar");
}

TEST_F(PathsShell, ExistenceOfRootsDirectoriesAndFiles) {
  EXPECT_TRUE(FileExists(u"C:\\"));
  EXPECT_TRUE(FileExistsA("Q:\\.\\."));  // a root needs no disk
  EXPECT_TRUE(FileExists(dir_));
  EXPECT_FALSE(FileExists(dir_ + u"\\"));
  EXPECT_FALSE(FileExists(dir_ + u"\\missing"));
  EXPECT_FALSE(FindFileTimeA(narrowUnits(dir_) + "\\missing"));
}

TEST_F(PathsShell, NarrowRoundTripsAndLossyConversion) {
  std::string path = "C:\\\\Dir\\\\\\A.JAR";
  CollapseBackslashesA(path);
  EXPECT_EQ(path, "C:\\Dir\\A.JAR");
  LowerCasePathA(path);
  EXPECT_EQ(path, "c:\\dir\\a.jar");
  bool lossy = false;
  EXPECT_EQ(WideToNarrow(u"C:\\a.exe", &lossy), "C:\\a.exe");
  EXPECT_FALSE(lossy);
  // A fullwidth quotation mark must not turn into a real one by best-fit mapping.
  const std::string quote = WideToNarrow(u"\uFF02", &lossy);
  EXPECT_NE(quote, "\"");
  EXPECT_TRUE(quote != "?" || lossy);
}

// What the command processor prints for the short-name loop over `path`, captured through a
// file rather than a pipe: the reference the launcher's own run is held against.
std::string commandProcessorOutput(const std::u16string& path, const std::u16string& outFile) {
  wchar_t windows[MAX_PATH + 1];
  const UINT length = ::GetWindowsDirectoryW(windows, MAX_PATH + 1);
  const std::u16string cmd = std::u16string(u16(windows, length)) + u"\\system32\\cmd.exe";
  std::u16string commandLine = u"\"" + cmd + u"\" /C for %I in (\"" + path + u"\") do @echo %~sI";
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  UniqueFile out(::CreateFileW(wstr(outFile), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &inheritable, CREATE_ALWAYS, 0, nullptr));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out.get();
  startup.hStdError = out.get();
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(wstr(cmd), wbuf(commandLine), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &info)) {
    return {};
  }
  const UniqueHandle process(info.hProcess);
  const UniqueHandle thread(info.hThread);
  ::WaitForSingleObject(process.get(), kCmdTimeoutMs);
  out.reset();
  // Shared for writing: a helper process of the system's may still hold the inherited handle.
  UniqueFile in(::CreateFileW(wstr(outFile), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr));
  std::string bytes(6000, '\0');
  DWORD read = 0;
  ::ReadFile(in.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  return bytes;
}

// The launcher's run of the command processor gives the first line that the command processor
// prints for the quoted path (on Windows its short form; Wine's command processor prints
// something else, which the module path's search then refuses for not ending in ".exe").
TEST_F(PathsShell, ShortPathViaCmdGivesTheFirstLineTheCommandProcessorPrints) {
  // A long name with blanks: only the quotes keep it one item of the loop.
  const std::u16string path = dir_ + u"\\My Long Program Name.exe";
  UniqueFile(::CreateFileW(wstr(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  const std::string printed = commandProcessorOutput(path, dir_ + u"\\printed.txt");
  const size_t lineEnd = printed.find_first_of("\r\n");
  ASSERT_NE(lineEnd, std::string::npos) << printed;

  const auto start = std::chrono::steady_clock::now();
  const std::optional<std::string> shortPath = ShortPathViaCmd(path);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kCmdTimeoutMs));
  EXPECT_EQ(shortPath, printed.substr(0, lineEnd));
}

TEST_F(PathsShell, ProbeLeavesNothingBehind) {
  EXPECT_TRUE(ProbeTempDir(dir_));
  EXPECT_TRUE(ProbeTempDirA(narrowUnits(dir_)));
  EXPECT_TRUE(entriesOf(dir_).empty());
  EXPECT_FALSE(ProbeTempDir(dir_ + u"\\missing"));
}

TEST_F(PathsShell, TempBasesAreExistingDirectories) {
  EXPECT_TRUE(isDirectory(widenBytes(GetTempBaseA())));
  EXPECT_TRUE(isDirectory(GetTempBase(true)));
}

TEST_F(PathsShell, TempFileIsCreatedEmptyInTheBase) {
  const std::string name = MakeTempFileName();
  const std::u16string wideName = NarrowToWide(name);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(::GetFileAttributesExW(wstr(wideName), GetFileExInfoStandard, &data)) << name;
  ::DeleteFileW(wstr(wideName));
  EXPECT_EQ(data.nFileSizeLow, 0u);
  const std::string& base = GetTempBaseA();
  ASSERT_EQ(name.rfind(base, 0), 0u) << name;
  EXPECT_TRUE(std::regex_match(name.substr(base.size()), std::regex(R"(\\?zvo[0-9A-Fa-f]+\.tmp)")))
      << name;
}

TEST_F(PathsShell, LauncherTempDirIsTheTempFileWithDirAndSeconds) {
  const int64_t before = static_cast<int64_t>(std::time(nullptr));
  CreateLauncherTempDir();
  const int64_t after = static_cast<int64_t>(std::time(nullptr));
  const std::string dir = LauncherTempDir();
  std::smatch parts;
  ASSERT_TRUE(std::regex_match(dir, parts, std::regex(R"((.*\\zvo[0-9A-Fa-f]+\.tmp)_dir(\d+))")))
      << dir;
  const std::string tempFile = parts[1];
  const int64_t seconds = std::stoll(parts[2]);
  EXPECT_TRUE(isDirectory(NarrowToWide(dir)));
  EXPECT_TRUE(FileExistsA(tempFile));
  EXPECT_GE(seconds, before);
  EXPECT_LE(seconds, after);
  ::RemoveDirectoryW(wstr(NarrowToWide(dir)));
  ::DeleteFileW(wstr(NarrowToWide(tempFile)));
  SetLauncherTempDir(std::string());
}

// What the launcher creates in the temporary base is its account's, SYSTEM's and the
// Administrators' only, with nothing of the parent's inherited. Wine keeps no descriptor: what it
// reads back it makes from the Unix mode, where the descriptor left nothing for Everyone (WD).
TEST_F(PathsShell, TemporaryDirectoryAndFilesArePrivate) {
  const std::optional<std::u16string> account = CurrentAccountSid();
  ASSERT_TRUE(account);
  PrivateSecurity security;
  ASSERT_NE(security.attributes(), nullptr) << security.error();
  wchar_t* text = nullptr;
  ASSERT_TRUE(::ConvertSecurityDescriptorToStringSecurityDescriptorW(
      security.attributes()->lpSecurityDescriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
      &text, nullptr));
  const UniqueLocalMemory ownedText(text);
  EXPECT_EQ(std::u16string(u16(text)),
            u"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + *account + u")");

  CreateLauncherTempDir();
  const std::u16string dir = NarrowToWide(LauncherTempDir());
  std::string names[2];
  UniqueFile files[2];
  for (int i = 0; i < 2; ++i) {
    files[i] = CreatePrivateTempFile(names[i], i == 1);
    ASSERT_TRUE(files[i]) << i;
    DWORD flags = 0;
    ASSERT_TRUE(::GetHandleInformation(files[i].get(), &flags));
    EXPECT_EQ((flags & HANDLE_FLAG_INHERIT) != 0, i == 1);
  }
  EXPECT_NE(names[0], names[1]);
  for (const std::u16string& made : {dir, NarrowToWide(names[0]), NarrowToWide(names[1])}) {
    SCOPED_TRACE(toUtf8(made));
    const std::u16string read = securityText(made);
    EXPECT_EQ(read.rfind(u"O:" + *account + u"D:", 0), 0u) << toUtf8(read);
    EXPECT_EQ(read.find(u";;;WD)"), std::u16string::npos) << toUtf8(read);
  }
  for (UniqueFile& file : files) file.reset();
  for (const std::string& name : names) ::DeleteFileA(name.c_str());
  ::RemoveDirectoryW(wstr(dir));
  SetLauncherTempDir(std::string());
}

}  // namespace
}  // namespace zarvo
