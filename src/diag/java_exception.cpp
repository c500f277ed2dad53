#include "diag/java_exception.h"

#include <string_view>

#include "diag/log.h"

namespace zarvo {
namespace {

// Logs throwable.toString(). Any step that yields nothing ends this quietly; an exception
// thrown by toString itself is cleared so that it cannot mask the one being reported.
void logThrowableText(JNIEnv* env, jthrowable throwable) {
  jclass type = env->GetObjectClass(throwable);
  if (type == nullptr) return;
  jmethodID toString = env->GetMethodID(type, "toString", "()Ljava/lang/String;");
  if (toString == nullptr) {
    env->ExceptionClear();
    return;
  }
  auto text = static_cast<jstring>(env->CallObjectMethod(throwable, toString));
  if (env->ExceptionCheck()) env->ExceptionClear();
  if (text == nullptr) return;
  const jchar* chars = env->GetStringChars(text, nullptr);
  if (chars == nullptr) return;
  const jsize length = env->GetStringLength(text);
  DebugLogError("%s", std::u16string_view(reinterpret_cast<const char16_t*>(chars),
                                          static_cast<size_t>(length < 0 ? 0 : length)));
  env->ReleaseStringChars(text, chars);
}

}  // namespace

bool CheckJavaException(JNIEnv* env, bool describe) {
  jthrowable pending = env->ExceptionOccurred();
  if (pending == nullptr) return true;
  DebugLogError("an exception occurred");
  // JNI forbids calling Java methods while an exception is pending, so it is taken off the
  // thread before toString() runs and put back only for the JVM to print it.
  env->ExceptionClear();
  logThrowableText(env, pending);
  if (describe) {
    env->Throw(pending);
    env->ExceptionDescribe();
  }
  env->ExceptionClear();
  return false;
}

}  // namespace zarvo
