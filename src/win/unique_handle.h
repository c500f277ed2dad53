// Owning types for Win32 handle families. The invalid value belongs to the type (CreateFile
// fails with INVALID_HANDLE_VALUE, most other calls with null), and closing never clobbers the
// caller's last error, so `GetLastError()` after a failed call stays meaningful during clean-up.
// CloseHandle, RegCloseKey, FindClose, CloseServiceHandle, FreeLibrary, DeregisterEventSource and
// LocalFree appear only here.
#pragma once

#include <utility>

#include "win/windows.h"

namespace zarvo {

template <class Traits>
class UniqueResource {
 public:
  using Type = typename Traits::Type;

  UniqueResource() = default;
  explicit UniqueResource(Type value) : value_(value) {}
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueResource() { reset(); }

  Type get() const { return value_; }
  bool valid() const { return value_ != Traits::invalid(); }
  explicit operator bool() const { return valid(); }

  // For out-parameters: closes what is held and hands out the slot.
  Type* put() {
    reset();
    return &value_;
  }
  Type release() { return std::exchange(value_, Traits::invalid()); }
  void reset(Type value = Traits::invalid()) {
    if (valid()) {
      const DWORD lastError = ::GetLastError();
      Traits::close(value_);
      ::SetLastError(lastError);
    }
    value_ = value;
  }

 private:
  Type value_ = Traits::invalid();
};

struct FileHandleTraits {  // CreateFile and friends
  using Type = HANDLE;
  static Type invalid() { return INVALID_HANDLE_VALUE; }
  static void close(Type h) { ::CloseHandle(h); }
};
struct KernelHandleTraits {  // processes, threads, events, semaphores, pipes from CreatePipe
  using Type = HANDLE;
  static Type invalid() { return nullptr; }
  static void close(Type h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
  using Type = HANDLE;
  static Type invalid() { return INVALID_HANDLE_VALUE; }
  static void close(Type h) { ::FindClose(h); }
};
struct RegKeyTraits {
  using Type = HKEY;
  static Type invalid() { return nullptr; }
  static void close(Type h) { ::RegCloseKey(h); }
};
struct ServiceHandleTraits {
  using Type = SC_HANDLE;
  static Type invalid() { return nullptr; }
  static void close(Type h) { ::CloseServiceHandle(h); }
};
struct LibraryTraits {
  using Type = HMODULE;
  static Type invalid() { return nullptr; }
  static void close(Type h) { ::FreeLibrary(h); }
};
struct EventSourceTraits {  // RegisterEventSource
  using Type = HANDLE;
  static Type invalid() { return nullptr; }
  static void close(Type h) { ::DeregisterEventSource(h); }
};

struct LocalMemoryTraits {  // what the system allocates for the caller with LocalAlloc
  using Type = HLOCAL;
  static Type invalid() { return nullptr; }
  static void close(Type h) { ::LocalFree(h); }
};

using UniqueFile = UniqueResource<FileHandleTraits>;
using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueFind = UniqueResource<FindHandleTraits>;
using UniqueRegKey = UniqueResource<RegKeyTraits>;
using UniqueServiceHandle = UniqueResource<ServiceHandleTraits>;
using UniqueLibrary = UniqueResource<LibraryTraits>;
using UniqueEventSource = UniqueResource<EventSourceTraits>;
using UniqueLocalMemory = UniqueResource<LocalMemoryTraits>;

}  // namespace zarvo
