// The wrapper of one imported function, made from its declaration: the same parameters, result and
// calling convention (stdcall on i686, where the callee pops its arguments). A row of the table in
// hooked_functions.cpp gives each wrapper how its arguments read in the call log, how the function shows
// a failure, and what it does to the handle ledger.
#ifndef BASETDIC_TOOLS_HOST_PLATFORM_WINDOWS_INTERPOSER_HOOK_H
#define BASETDIC_TOOLS_HOST_PLATFORM_WINDOWS_INTERPOSER_HOOK_H

#include <windows.h>

#include <cstdint>
#include <limits>
#include <string>
#include <type_traits>

#include "interposer_state.h"

namespace host::interposer::detail {

// How a function shows that it failed, which also says what an injected failure hands back.
enum class Shows {
  ReturnedError,    // the result is the error, ERROR_SUCCESS on success (the registry functions)
  Zero,             // FALSE, NULL or 0, the error in the thread's last error
  InvalidHandle,    // INVALID_HANDLE_VALUE
  AllOnes,          // INVALID_FILE_ATTRIBUTES, WAIT_FAILED
  AllOnesAndError,  // all ones with a last error set, since all ones can also be a result (SetFilePointer)
  ShellCode,        // a result of 32 or less (ShellExecuteA)
  LaunchCode,       // a result below 32 (WinExec)
  LastErrorSet,     // no failure value: the last error, when the call sets one (GetPrivateProfileIntA)
  Nothing,          // no failure to show (void functions, the process id, the clock)
};

// One row, type-erased: what the import table and GetProcAddress need to hand out the wrapper.
struct Entry {
  const char* name;
  void* wrapper;
  void (*bind)(void* real);  // gives the wrapper its real function unless it has one already
  bool canFail;
};

struct Nothing {};

// Written into the last error before each real call to see whether the call set one.
constexpr DWORD kUntouchedError = 0xDEADBEEF;

template <class T>
constexpr T AllOnes() {
  return static_cast<T>(std::numeric_limits<std::make_unsigned_t<T>>::max());
}

const uintptr_t kInvalidHandleBits = reinterpret_cast<uintptr_t>(INVALID_HANDLE_VALUE);

template <class T>
T FailureValue(Shows shows, DWORD fault) {
  if constexpr (std::is_pointer_v<T>) {
    // Handles, module handles, function pointers: the failure value by what the function returns.
    uintptr_t bits = 0;
    if (shows == Shows::InvalidHandle) bits = kInvalidHandleBits;
    if (shows == Shows::ShellCode) bits = fault <= 32 ? fault : 0;
    return reinterpret_cast<T>(bits);
  } else if constexpr (std::is_integral_v<T>) {
    switch (shows) {
      case Shows::ReturnedError: return static_cast<T>(fault);
      case Shows::AllOnes:
      case Shows::AllOnesAndError: return AllOnes<T>();
      case Shows::LaunchCode: return static_cast<T>(fault < 32 ? fault : ERROR_BAD_FORMAT);
      default: return T{};
    }
  } else {
    return T{};
  }
}

// The error a result means: 0 for success. lastError is what the library reads after the call, errorSet
// whether the call set it.
template <class T>
DWORD ErrorShown(Shows shows, const T& result, DWORD lastError, bool errorSet) {
  if constexpr (std::is_pointer_v<T>) {
    const uintptr_t bits = reinterpret_cast<uintptr_t>(result);
    switch (shows) {
      case Shows::Zero: return bits == 0 ? lastError : 0;
      case Shows::InvalidHandle: return bits == kInvalidHandleBits ? lastError : 0;
      case Shows::ShellCode: return bits <= 32 ? (lastError != 0 ? lastError : static_cast<DWORD>(bits)) : 0;
      default: return 0;
    }
  } else if constexpr (std::is_integral_v<T>) {
    switch (shows) {
      case Shows::ReturnedError: return static_cast<DWORD>(result);
      case Shows::Zero: return result == 0 ? lastError : 0;
      case Shows::AllOnes: return result == AllOnes<T>() ? lastError : 0;
      case Shows::AllOnesAndError: return result == AllOnes<T>() && errorSet && lastError != 0 ? lastError : 0;
      case Shows::LaunchCode: return result < 32 ? (lastError != 0 ? lastError : static_cast<DWORD>(result)) : 0;
      case Shows::LastErrorSet: return errorSet ? lastError : 0;
      default: return 0;
    }
  } else {
    return shows == Shows::LastErrorSet && errorSet ? lastError : 0;
  }
}

template <class Tag, class Function>
struct Hooked;

template <class Tag, class R, class... A>
struct Hooked<Tag, R(WINAPI*)(A...)> {
  using Function = R(WINAPI*)(A...);
  using Result = std::conditional_t<std::is_void_v<R>, Nothing, R>;
  // How the call's arguments read in the call log (read before the call: in-out sizes are the sizes asked).
  using Describe = std::string (*)(const Interposer::State&, A...);
  // Bookkeeping after a call that was made; hands back the result the library gets.
  using After = Result (*)(Interposer::State&, Result, A...);
  // What an injected failure hands back when the row needs more than its Shows (out-parameters, defaults).
  using Failure = Result (*)(DWORD error, A...);

  static inline const char* name = nullptr;
  static inline Shows shows = Shows::Nothing;
  static inline Describe describe = nullptr;
  static inline After after = nullptr;
  static inline Failure failure = nullptr;
  static inline Function real = nullptr;

  static Result CallReal(A... arguments) {
    if constexpr (std::is_void_v<R>) {
      real(arguments...);
      return Nothing{};
    } else {
      return real(arguments...);
    }
  }

  static Result Observe(Interposer::State& state, A... arguments) {
    const DWORD before = GetLastError();
    const size_t record = state.Begin(name, describe != nullptr ? describe(state, arguments...) : std::string());
    if (const DWORD fault = shows != Shows::Nothing ? state.DueFault(name) : 0) {
      Result result = failure != nullptr ? failure(fault, arguments...) : FailureValue<Result>(shows, fault);
      state.Finish(record, fault, true);
      SetLastError(fault);
      return result;
    }
    SetLastError(kUntouchedError);
    Result result = CallReal(arguments...);
    DWORD lastError = GetLastError();
    const bool errorSet = lastError != kUntouchedError;
    if (!errorSet) lastError = before;
    const DWORD error = ErrorShown(shows, result, lastError, errorSet);
    if (after != nullptr) result = after(state, result, arguments...);
    state.Finish(record, error, false, shows == Shows::LastErrorSet);
    SetLastError(lastError);
    return result;
  }

  static R WINAPI Wrapper(A... arguments) {
    Interposer::State* state = ActiveState();
    if (state == nullptr || state->quiet) return real(arguments...);
    if constexpr (std::is_void_v<R>) {
      Observe(*state, arguments...);
    } else {
      return Observe(*state, arguments...);
    }
  }

  // The wrapper keeps the declaration's exact type, calling convention included.
  static_assert(std::is_same_v<decltype(&Wrapper), Function>, "wrapper and declaration differ");

  static void Bind(void* address) {
    if (real == nullptr) real = reinterpret_cast<Function>(address);
  }
};

template <class Tag, class Function>
Entry MakeRow(const char* name, Shows shows, typename Hooked<Tag, Function>::Describe describe,
              typename Hooked<Tag, Function>::After after = nullptr,
              typename Hooked<Tag, Function>::Failure failure = nullptr) {
  using Hook = Hooked<Tag, Function>;
  Hook::name = name;
  Hook::shows = shows;
  Hook::describe = describe;
  Hook::after = after;
  Hook::failure = failure;
  return Entry{name, reinterpret_cast<void*>(&Hook::Wrapper), &Hook::Bind, shows != Shows::Nothing};
}

}  // namespace host::interposer::detail

// One row of the table: the function by its declaration, then MakeRow's arguments.
#define INTERPOSE(function, ...) \
  ::host::interposer::detail::MakeRow<struct function##Row, decltype(&::function)>(#function, __VA_ARGS__)

#endif
