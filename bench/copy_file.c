/* The baseline for extraction: the system's own copy of the same bytes. */
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  return CopyFileW(argv[1], argv[2], FALSE) ? 0 : 1;
}
