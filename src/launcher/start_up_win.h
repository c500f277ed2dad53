// The two fixed sequences that prepare the process: InitProcess in every role, RunApplication
// in the roles that start the Java application.
#pragma once

#include "launcher/command_line.h"

namespace zarvo {

void InitProcess();

// Returns only after the application has ended; every failure ends the process inside it.
void RunApplication(const ArgumentList& arguments, bool childMode);

// The steps of RunApplication before the JVM search, in their order; exposed so that a test
// stub can run exactly these steps against its own packed configuration.
void ExtractIncludedFilesOrFail();
void RegisterChildConsoleHandler();

// The launcher flavour: 'k' selects the kestrix flavour, anything else the zarvo flavour.
char LauncherFlavour();

}  // namespace zarvo
