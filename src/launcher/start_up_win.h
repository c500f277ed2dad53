// The two fixed sequences that prepare the process: InitProcess in every role, RunApplication
// in the roles that start the Java application.
#pragma once

#include "base/command_line.h"

namespace zarvo {

void InitProcess();

// The step of InitProcess that removes "_JAVA_OPTIONS", "JDK_JAVA_OPTIONS" and
// "JAVA_TOOL_OPTIONS" when key 10012 asks for it: from the process environment and from the C
// runtimes' copies that a JVM library reads (ours, and the universal C runtime's when it is
// loaded). Exposed so that a test can check every copy.
void RemoveJavaOptionVariables();

// Returns only after the application has ended; every failure ends the process inside it.
void RunApplication(const ArgumentList& arguments, bool childMode);

// What RunApplication does before anything else, and /find-java before its search, so that the
// search sees what a start sees: the included files extracted and the native library directories
// in front of PATH and registered with the DLL search.
void PrepareForTheSearch();

// The steps of RunApplication before the JVM search, in their order; exposed so that a test
// stub can run exactly these steps against its own packed configuration.
void ExtractIncludedFilesOrFail();
void RegisterChildConsoleHandler();

}  // namespace zarvo
