# launcher.exe is copied into every packed application and starts with every service, so its size
# and its start-up are features. docs/startup.md has the measurements behind each choice here.

# Compiling: the core's and the shell's sources are compiled for the stub itself
# (src/launcher/CMakeLists.txt), with these options.
#  -Os: a third smaller than -O2 and no slower, the launcher's time going to system calls.
#  Sections per function and datum, so that the linker drops whatever nothing uses.
#  -fno-exceptions: nothing in the stub throws or catches; the standard library's failures end
#   the process through src/launcher/cxx_runtime.cpp, which keeps the exception runtime out.
#  -fno-threadsafe-statics: every function-local static of the launcher is first reached on the
#   main thread before another thread starts (a static first reached elsewhere needs a lock of its
#   own); the guards would bring in the threads library.
set(ZARVO_STUB_OPTIMIZATION -Os CACHE STRING "The launcher stub's optimisation level")
target_compile_options(launcher PRIVATE ${ZARVO_STUB_OPTIMIZATION} -ffunction-sections
                                        -fdata-sections -fno-exceptions -fno-threadsafe-statics)
target_link_options(launcher PRIVATE -Wl,--gc-sections)
