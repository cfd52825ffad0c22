// The entries that hold no built-in after start-up: the matrix routine has
// none by design (nothing in the libraries calls it). An entry listed here may
// stay null; every other entry must be callable.
#pragma once

#define QD_TEST_ENTRIES_WITHOUT_BUILTIN(X)                                               \
  X(ippsSVD_64f_D2L)

#include "primitives/QDResizeDispatcher.h"
#include "primitives/QDScopeDispatcher.h"

#include <string>
#include <unordered_set>

inline const std::unordered_set<std::string>& EntriesWithoutBuiltIn()
{
#define QD_NAME(N) #N,
  static const std::unordered_set<std::string> Names = {QD_TEST_ENTRIES_WITHOUT_BUILTIN(QD_NAME)};
#undef QD_NAME
  return Names;
}

/// True for entries that have a built-in, as a constant (so that code naming a
/// missing built-in can sit in a discarded branch).
template <auto* AEntry>
constexpr bool TestHasBuiltIn = true;
#define QD_NO_BUILTIN(N) template <> inline constexpr bool TestHasBuiltIn<&::N> = false;
QD_TEST_ENTRIES_WITHOUT_BUILTIN(QD_NO_BUILTIN)
#undef QD_NO_BUILTIN
