// Logging a pending Java exception after a JNI call.
#pragma once

#include <jni.h>

namespace zarvo {

// Returns true when no exception is pending. Otherwise logs "an exception occurred" and the
// exception's toString(), lets the JVM print its stack trace when `describe` is set, clears it
// and returns false.
bool CheckJavaException(JNIEnv* env, bool describe);

}  // namespace zarvo
