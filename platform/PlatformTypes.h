//===- platform/PlatformTypes.h - Scalar types of the libraries -*- C++ -*-===//
///
/// \file
/// The fixed-width scalar types every interface of the libraries is written in.
/// Their sizes are part of stored files and component streams, so they are
/// pinned here once instead of relying on what `int` or `long` happen to be.
///
//===----------------------------------------------------------------------===//
#pragma once

#include <cstddef>
#include <cstdint>

using Real = double;          ///< 8-byte IEEE 754 double
using Single = float;         ///< 4-byte IEEE 754 float
using Extended = long double; ///< x86-64: the 80-bit extended format
using Integer = std::int32_t;
using Cardinal = std::uint32_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;
using SmallInt = std::int16_t;
using Word = std::uint16_t;
using ShortInt = std::int8_t;
using Byte = std::uint8_t;
using Boolean = bool;
/// Pointer-sized integers: what 32-bit code stored in an Integer when it meant
/// "an address or a size".
using NativeInt = std::intptr_t;
using NativeUInt = std::uintptr_t;

static_assert(sizeof(Real) == 8 && sizeof(Single) == 4, "IEEE formats expected");
static_assert(sizeof(Boolean) == 1, "Boolean is one byte");
