// Numeric configuration keys and message ids that the launcher reads from its ConfigBlock.
// The packer maps its readable names onto these numbers (tools/zpack/key_names.cpp).
#pragma once

#include <cstdint>

namespace zarvo::key {

inline constexpr int32_t kServiceName = 101;
inline constexpr int32_t kRedirectStderr = 102;
inline constexpr int32_t kStderrLogPath = 103;
inline constexpr int32_t kRedirectStdout = 104;
inline constexpr int32_t kStdoutLogPath = 105;
inline constexpr int32_t kLauncherArg5 = 106;
inline constexpr int32_t kExecutableKind = 107;
inline constexpr int32_t kSplashInit = 108;
inline constexpr int32_t kClassPath = 121;
inline constexpr int32_t kMainClass = 122;
inline constexpr int32_t kVmOptions = 123;
inline constexpr int32_t kAppArguments = 124;
inline constexpr int32_t kJArgumentsAreVmOptions = 125;
inline constexpr int32_t kMinJavaVersion = 126;
inline constexpr int32_t kMaxJavaVersion = 127;
inline constexpr int32_t kJvmSearch = 128;
inline constexpr int32_t kAllowEarlyAccess = 130;
inline constexpr int32_t kRequireJdk = 131;
inline constexpr int32_t kModulePath = 132;
inline constexpr int32_t kModuleMode = 133;
inline constexpr int32_t kWorkingDirectory = 146;
inline constexpr int32_t kServiceDependencies = 149;
inline constexpr int32_t kJvmSubdirectory = 152;
inline constexpr int32_t kAddDllDirectories = 154;
inline constexpr int32_t kGlobalSemaphore = 158;
inline constexpr int32_t kApplicationId = 160;
inline constexpr int32_t kSplashArg2 = 163;
inline constexpr int32_t kRestrictedRegistry = 165;
inline constexpr int32_t kDefaultVmOptionsFile = 166;
inline constexpr int32_t kFlavour = 2001;
inline constexpr int32_t kIncludedFileCount = 2002;
inline constexpr int32_t kIncludedFileNames = 2003;
inline constexpr int32_t kApplicationDirectory = 10003;
inline constexpr int32_t kNativeLibraryDirs = 10004;
inline constexpr int32_t kSingleInstance = 10005;
inline constexpr int32_t kActivateWindows = 10008;
inline constexpr int32_t kLongTempPath = 10009;
inline constexpr int32_t kReducePath = 10010;
inline constexpr int32_t kIgnoreJavaOptionVariables = 10012;
inline constexpr int32_t kVersionLineCount = 10200;
// What the splash configuration call forwards: four texts and, around them, eight numbers.
inline constexpr int32_t kSplashTexts[4] = {10111, 10114, 10118, 10121};
inline constexpr int32_t kSplashNumbers[8] = {10109, 10110, 10113, 10115,
                                              10116, 10117, 10120, 10122};
inline constexpr int32_t kVersionLineBase = 10201;  // 10201 + 2i pattern, 10202 + 2i options

// Service settings of this launcher's own, numbered apart from every other key; each is off when
// absent, so that an executable without them installs and hosts its service as before.
inline constexpr int32_t kServiceDisplayName = 5001;       // wide
inline constexpr int32_t kServiceAccount = 5002;           // LocalService, NetworkService, virtual
inline constexpr int32_t kServiceDelayedAutoStart = 5003;  // flag
inline constexpr int32_t kServiceRestartDelay = 5004;      // seconds; > 0 restarts on failure
inline constexpr int32_t kServiceRestartLimit = 5005;      // restarts; 0 = on every failure
inline constexpr int32_t kMaxServiceRestarts = 100;        // the largest limit of key 5005
inline constexpr int32_t kServiceFailureResetPeriod = 5006;  // seconds; 0 = one day
inline constexpr int32_t kServiceRestartOnErrorStop = 5007;  // flag
inline constexpr int32_t kServicePreshutdownTimeout = 5008;  // seconds; > 0 accepts pre-shutdown
inline constexpr int32_t kServiceReportChildFailure = 5009;  // flag: event log entry

// Values of kExecutableKind.
inline constexpr int32_t kKindWindowed = 1;
inline constexpr int32_t kKindAutoStartService = 4;
inline constexpr int32_t kKindGuiErrors = 5;

}  // namespace zarvo::key

namespace zarvo::msg {

inline constexpr int32_t kErrorTitle = 1000;
inline constexpr int32_t kJvmNotStarted = 1005;
inline constexpr int32_t kPathEntryMissing = 1006;
inline constexpr int32_t kVariableUndefined = 1008;
inline constexpr int32_t kInternalError = 1009;
inline constexpr int32_t kMainClassNotLoaded = 1010;
inline constexpr int32_t kMainMethodMissing = 1011;
inline constexpr int32_t kNeedPowerUser = 1015;
inline constexpr int32_t kNoJvmFound = 1016;
inline constexpr int32_t kJavaHomeVariableBroken = 1018;
inline constexpr int32_t kJvmDamaged = 1020;
// Added below 1016 by a failed search: how to see every runtime it considered.
inline constexpr int32_t kFindJavaHint = 1021;
inline constexpr int32_t kServiceDescription = 20017;

}  // namespace zarvo::msg
