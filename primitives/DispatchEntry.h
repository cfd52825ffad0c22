//===- primitives/DispatchEntry.h - How a dispatch entry is held and filled -*- C++ -*-===//
///
/// \file
/// Every dispatch entry is a plain global function pointer. Before its group
/// is filled it holds a start-up trampoline (`TDispatchTrampoline`), set by
/// constant initialisation, so no entry is ever null before start-up and no
/// static initialiser of any file has to run first:
///
/// \code
///   constinit TippsAdd_64f_I ippsAdd_64f_I =
///       &TDispatchTrampoline<&ippsAdd_64f_I, &QDScopeDispatcherStart>::Call;
/// \endcode
///
/// The first call through such an entry runs its group's start-up, which fills
/// the entry (`FillEntry`) with the library's function or the built-in, then
/// forwards the call through the filled entry. From then on a call costs one
/// indirect call and nothing else.
///
/// The start-up that a trampoline runs is not balanced by a stop: a program
/// that calls an entry before starting the primitives itself keeps them
/// started until it ends. Start the primitives explicitly (the storage pool
/// does) before other threads call entries: filling writes the entries.
///
//===----------------------------------------------------------------------===//
#pragma once

#include <type_traits>

template <auto* AEntry, void (*AStart)(),
          class F = std::remove_pointer_t<decltype(AEntry)>>
struct TDispatchTrampoline;

template <auto* AEntry, void (*AStart)(), class R, class... A>
struct TDispatchTrampoline<AEntry, AStart, R (*)(A...)>
{
  static R Call(A... Args)
  {
    AStart();
    return (*AEntry)(Args...);
  }
};

/// The fill rule: the library's export AFound when there is one, otherwise
/// ABuiltIn (null only for entries that have no built-in). A built-in of the
/// wrong prototype does not convert, so it does not compile.
template <class F>
void FillEntry(F& AEntry, void* AFound, std::type_identity_t<F> ABuiltIn) noexcept
{
  AEntry = AFound ? reinterpret_cast<F>(AFound) : ABuiltIn;
}

/// Declares an entry of a group (`extern T<name> <name>;`).
#define QD_DECLARE_ENTRY(N) extern T##N N;
/// The trampoline of entry N (which must be visible unqualified) of the group
/// started by START.
#define QD_TRAMPOLINE(N, START) (&TDispatchTrampoline<&N, &START>::Call)
