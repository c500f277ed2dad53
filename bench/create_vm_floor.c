/* The floor of a launch: load the JVM library named on the command line by its path and call its
   JNI_CreateJavaVM on a new thread, as a launcher must at the least. With bench/exit_jvm.c as the
   library, the call ends the process. */
#include <windows.h>

#include <jni.h>

typedef jint(JNICALL* CreateJavaVM)(JavaVM**, void**, void*);

static DWORD WINAPI createOnThread(void* parameter) {
  static JavaVMOption options[1] = {{"-Djava.class.path=.", NULL}};
  JavaVMInitArgs args = {JNI_VERSION_1_2, 1, options, JNI_TRUE};
  JavaVM* vm = NULL;
  void* env = NULL;
  return (DWORD)((CreateJavaVM)parameter)(&vm, &env, &args);
}

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  HMODULE library = LoadLibraryW(argv[1]);
  if (library == NULL) return 3;
  FARPROC create = GetProcAddress(library, "JNI_CreateJavaVM");
  if (create == NULL) return 4;
  HANDLE thread = CreateThread(NULL, 0, createOnThread, (void*)create, 0, NULL);
  if (thread == NULL) return 5;
  WaitForSingleObject(thread, INFINITE);
  return 1; /* the library's JNI_CreateJavaVM ended the process before this */
}
