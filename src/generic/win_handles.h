// One owning type per kind of Windows handle. Each closes its handle when it goes out of scope, on every
// path, and keeps the thread's last-error value across the close so that a caller can still read the
// error of the call that failed.
#ifndef BASETDIC_GENERIC_WIN_HANDLES_H
#define BASETDIC_GENERIC_WIN_HANDLES_H

#include <windows.h>

#include <type_traits>

#include "generic/last_error_scope.h"

namespace basetdic {

namespace detail {

// How a handle type closes its handle: the traits' own Closer when they have one (a closer that carries
// state, such as a function bound at run time), otherwise Traits::Close.
template <class Traits, class = void>
struct CloserOf {
  struct type {
    void operator()(typename Traits::Type handle) const { Traits::Close(handle); }
  };
};

template <class Traits>
struct CloserOf<Traits, std::void_t<typename Traits::Closer>> {
  using type = typename Traits::Closer;
};

}  // namespace detail

template <class Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;
  using Closer = typename detail::CloserOf<Traits>::type;

  UniqueHandle() : handle_(Traits::Empty()) {}
  explicit UniqueHandle(Type handle, Closer closer = Closer()) : handle_(handle), closer_(closer) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) : handle_(other.release()), closer_(other.closer_) {}
  UniqueHandle& operator=(UniqueHandle&& other) {
    if (this != &other) {
      reset(other.release());
      closer_ = other.closer_;
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Type get() const { return handle_; }
  bool valid() const { return Traits::IsValid(handle_); }
  explicit operator bool() const { return valid(); }

  // Closes the held handle (if any) and takes ownership of the new one.
  void reset(Type handle = Traits::Empty()) {
    if (Traits::IsValid(handle_)) {
      LastErrorScope keepError;
      closer_(handle_);
    }
    handle_ = handle;
  }
  Type release() {
    Type handle = handle_;
    handle_ = Traits::Empty();
    return handle;
  }
  // For APIs that fill in a handle: closes the current one and exposes the slot.
  Type* put() {
    reset();
    return &handle_;
  }

 private:
  Type handle_;
  Closer closer_;
};

// Files and devices from CreateFileA: INVALID_HANDLE_VALUE means none, and so does null.
struct FileHandleTraits {
  using Type = HANDLE;
  static Type Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Type handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
  static void Close(Type handle) { CloseHandle(handle); }
};

// Process, thread and synchronisation objects: null means none.
struct KernelHandleTraits {
  using Type = HANDLE;
  static Type Empty() { return nullptr; }
  static bool IsValid(Type handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { CloseHandle(handle); }
};

struct FindHandleTraits {
  using Type = HANDLE;
  static Type Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Type handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
  static void Close(Type handle) { FindClose(handle); }
};

struct RegistryKeyTraits {
  using Type = HKEY;
  static Type Empty() { return nullptr; }
  static bool IsValid(Type key) { return key != nullptr; }
  static void Close(Type key) { RegCloseKey(key); }
};

// Service-manager and service handles close through the linked CloseServiceHandle unless the owner was
// given another one (the service installer closes through the function it bound at run time).
struct ServiceHandleTraits {
  using Type = SC_HANDLE;
  static Type Empty() { return nullptr; }
  static bool IsValid(Type handle) { return handle != nullptr; }
  struct Closer {
    decltype(&::CloseServiceHandle) close = &::CloseServiceHandle;
    void operator()(Type handle) const {
      if (close != nullptr) close(handle);
    }
  };
};

struct ModuleTraits {
  using Type = HMODULE;
  static Type Empty() { return nullptr; }
  static bool IsValid(Type module) { return module != nullptr; }
  static void Close(Type module) { FreeLibrary(module); }
};

using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFind = UniqueHandle<FindHandleTraits>;
using UniqueKey = UniqueHandle<RegistryKeyTraits>;
using UniqueServiceHandle = UniqueHandle<ServiceHandleTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;

}  // namespace basetdic

#endif
