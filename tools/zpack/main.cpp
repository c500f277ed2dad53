// zpack's command line. The work happens in zpack_lib (pack.h); this file only parses the
// arguments and finds the default stub beside the zpack binary.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "file_io.h"
#include "pack.h"
#include "project.h"

#ifdef _WIN32
#include "win/windows.h"
#endif

namespace {

namespace fs = std::filesystem;

// Exit code for a command line that cannot be understood.
constexpr int kUsageError = 2;

fs::path ownExecutable(const char* argv0) {
#ifdef _WIN32
  (void)argv0;
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    // GetModuleFileNameW returns the count without the NUL; a full buffer means it was cut.
    DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return fs::path();
    if (length < buffer.size()) return fs::path(buffer.substr(0, length));
    buffer.resize(buffer.size() * 2);
  }
#else
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::absolute(argv0, ec) : self;
#endif
}

int run(int argc, char** argv) {
  CLI::App app{
      "zpack PROJECT.toml [-o OUT.exe] [--stub LAUNCHER.exe]   pack a launcher executable\n"
      "zpack dump APP.exe                                     show what an executable carries\n"
      "Exit codes: 0 success, 1 error (nothing is written), 2 wrong command line.\n"
      "The project file format: docs/project-file.md."};
  app.name("zpack");
  app.set_version_flag("--version", std::string("zpack ") + ZARVO_VERSION);

  std::string project;
  std::string output;
  std::string stub;
  app.add_option("project", project, "Project file (TOML) to pack");
  app.add_option("-o,--output", output,
                 "Executable to write (default: `output` in the project, else the project's "
                 "name with .exe, beside the project)");
  app.add_option("--stub", stub,
                 "Launcher stub to copy (default: `stub` in the project, else launcher.exe beside "
                 "zpack)");

  std::string executable;
  CLI::App* dump = app.add_subcommand("dump", "Show the configuration an executable carries");
  dump->add_option("executable", executable, "Packed executable")->required();
  app.require_subcommand(0, 1);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help
    std::cerr << "zpack: " << e.what() << "\nRun with --help for more information.\n";
    return kUsageError;
  }

  if (dump->parsed()) {
    if (!project.empty()) {
      std::cerr << "zpack: dump takes no project file\n";
      return kUsageError;
    }
    return zpack::runDump(zpack::pathFromUtf8(executable), std::cout, std::cerr);
  }
  if (project.empty()) {
    std::cerr << app.help();
    return kUsageError;
  }
  zpack::PackRequest request;
  request.project = zpack::pathFromUtf8(project);
  if (!output.empty()) request.output = zpack::pathFromUtf8(output);
  if (!stub.empty()) request.stub = zpack::pathFromUtf8(stub);
  const fs::path ownDirectory = ownExecutable(argv[0]).parent_path();
  request.defaultStub = ownDirectory / "launcher.exe";
  request.defaultRuntimeJar = ownDirectory / zpack::kRuntimeJarName;
  return zpack::runPack(request, std::cout, std::cerr);
}

}  // namespace

#ifdef _WIN32
// Arguments arrive as UTF-16 and travel as UTF-8 from here on, so paths outside the ANSI code
// page survive; the console is switched to UTF-8 to print them back.
int wmain(int argc, wchar_t** argv) {
  ::SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) {
    int size = ::WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size > 0 ? size : 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, utf8.data(), size, nullptr, nullptr);
    utf8.resize(utf8.size() - 1);  // the converted NUL
    arguments.push_back(std::move(utf8));
  }
  std::vector<char*> pointers;
  for (std::string& a : arguments) pointers.push_back(a.data());
  return run(argc, pointers.data());
}
#else
int main(int argc, char** argv) {
  return run(argc, argv);
}
#endif
