# launcher.exe is copied into every packed application and starts with every service, so its size
# and its start-up are features. docs/startup.md has the measurements behind each choice here.

# Compiling: the core's and the shell's sources are compiled for the stub itself
# (src/launcher/CMakeLists.txt), with these options.
#  -Os: a third smaller than -O2 and no slower, the launcher's time going to system calls. Not
#   -Oz: it loads small constants with a push and a pop inside function bodies, where each
#   function's unwind data no longer describes the stack, so a stack walk of a thread stopped
#   there (a debugger, a crash dump, the JVM's own walks through our frames) goes wrong.
#  -fno-ipa-sra: the interprocedural scalar replacement makes a private copy of the standard
#   library's string functions (_M_create, the move constructor...) in every file that calls
#   them, which the linker cannot fold into one as it folds the shared instances: 17 KiB.
#  Sections per function and datum, so that the linker drops whatever nothing uses.
#  -fno-exceptions: nothing in the stub throws or catches; the standard library's failures end
#   the process through src/launcher/cxx_runtime.cpp, which keeps the exception runtime out.
#  -fno-threadsafe-statics: every function-local static of the launcher is first reached on the
#   main thread before another thread starts (a static first reached elsewhere needs a lock of its
#   own); the guards would bring in the threads library.
#  -fno-rtti: nothing asks a type at run time (no dynamic_cast, no typeid); the type descriptions
#   of every class with virtual functions or behind a std::function are 6 KiB.
set(stub_optimization -Os -fno-ipa-sra)
target_compile_options(launcher PRIVATE ${stub_optimization} -ffunction-sections
                                        -fdata-sections -fno-exceptions -fno-threadsafe-statics
                                        -fno-rtti)
target_link_options(launcher PRIVATE -Wl,--gc-sections)
# The oldest system the stub runs on is Windows 7: it takes its registry functions from
# kernel32.dll, which exports them from Windows 7 on, so on Vista it would not even load. The
# header says so (operating system and subsystem 6.1), as the manifest does.
target_link_options(launcher PRIVATE -Wl,--major-os-version,6,--minor-os-version,1
                                     -Wl,--major-subsystem-version,6,--minor-subsystem-version,1)

# Linking: advapi32.dll, with the DLLs it brings (sechost.dll, and ucrtbase.dll under Wine), costs
# a twentieth of the run's start-up, and only the service commands and the service host use it
# beyond the registry. So the stub takes the registry functions from kernel32.dll, which exports
# them from Windows 7 on, and loads advapi32.dll at the first call of one of its service
# functions (delay-loading; the helper that resolves the call is mingw-w64's). Both import
# libraries are made here from the lists beside this file; they come before the toolchain's own
# libraries, so their definitions win. The tests keep the usual imports.
find_program(ZARVO_DLLTOOL NAMES x86_64-w64-mingw32-dlltool REQUIRED)
set(stub_libraries ${CMAKE_CURRENT_BINARY_DIR}/stub-libraries)
add_custom_command(
  OUTPUT ${stub_libraries}/libkernel32_registry.a ${stub_libraries}/libadvapi32_delayed.a
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stub_libraries}
  COMMAND ${ZARVO_DLLTOOL} --input-def ${CMAKE_CURRENT_LIST_DIR}/kernel32_registry.def
          --output-lib ${stub_libraries}/libkernel32_registry.a
  COMMAND ${ZARVO_DLLTOOL} --input-def ${CMAKE_CURRENT_LIST_DIR}/advapi32_delayed.def
          --output-delaylib ${stub_libraries}/libadvapi32_delayed.a
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/kernel32_registry.def
          ${CMAKE_CURRENT_LIST_DIR}/advapi32_delayed.def
  VERBATIM)
add_custom_target(stub_import_libraries DEPENDS ${stub_libraries}/libkernel32_registry.a
                                                ${stub_libraries}/libadvapi32_delayed.a)
add_dependencies(launcher stub_import_libraries)
target_link_libraries(launcher PRIVATE ${stub_libraries}/libkernel32_registry.a
                                       ${stub_libraries}/libadvapi32_delayed.a)
