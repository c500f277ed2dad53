/* A jvm.dll whose JNI_CreateJavaVM ends the process at once: with it, a run measures everything
   that happens before the JVM would be created, and nothing of the JVM itself. */
#include <windows.h>

#include <jni.h>

JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** vm, void** env, void* args) {
  (void)vm;
  (void)env;
  (void)args;
  ExitProcess(0);
}
