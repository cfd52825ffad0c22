//===- platform/Exceptions.h - The runtime's exception classes --*- C++ -*-===//
///
/// \file
/// One small hierarchy of exceptions, each carrying only its message. Library
/// code raises these with fixed English texts; callers catch `Exception` (or a
/// class below it) and show `Message()`.
///
/// \code
///   throw ERangeError(Format("Index out of range = %u", Cardinal(Index)));
/// \endcode
///
//===----------------------------------------------------------------------===//
#pragma once

#include <exception>
#include <string>

/// printf-style formatting into a std::string.
[[gnu::format(printf, 1, 2)]] std::string Format(const char* AFormat, ...);

/// Base of every exception the libraries raise.
class Exception : public std::exception
{
public:
  explicit Exception(std::string AMessage) : FMessage(std::move(AMessage)) {}
  const std::string& Message() const noexcept { return FMessage; }
  const char* what() const noexcept override { return FMessage.c_str(); }

private:
  std::string FMessage;
};

#define ZR_DECLARE_EXCEPTION(NAME, BASE)                                       \
  class NAME : public BASE                                                     \
  {                                                                            \
  public:                                                                      \
    using BASE::BASE;                                                          \
  }

/// An index or value outside its range ("Index out of range = %u").
ZR_DECLARE_EXCEPTION(ERangeError, Exception);
/// A forced cast to a class or interface the object does not have.
ZR_DECLARE_EXCEPTION(EInvalidCast, Exception);
/// The heap cannot supply a block ("Out of memory").
ZR_DECLARE_EXCEPTION(EOutOfMemory, Exception);
/// A list index outside the list ("List index out of bounds (%d)").
ZR_DECLARE_EXCEPTION(EListError, Exception);
/// Text that does not convert to the value asked for (a malformed GUID, say).
ZR_DECLARE_EXCEPTION(EConvertError, Exception);
/// An operation a class declares but does not implement was called.
ZR_DECLARE_EXCEPTION(EAbstractError, Exception);
/// Stream and file failures.
ZR_DECLARE_EXCEPTION(EStreamError, Exception);
ZR_DECLARE_EXCEPTION(EReadError, EStreamError);
ZR_DECLARE_EXCEPTION(EWriteError, EStreamError);
ZR_DECLARE_EXCEPTION(EFCreateError, EStreamError);
ZR_DECLARE_EXCEPTION(EFOpenError, EStreamError);
/// An integer division by zero ("Division by zero").
ZR_DECLARE_EXCEPTION(EDivByZero, Exception);

#undef ZR_DECLARE_EXCEPTION

/// The message texts the runtime raises with.
inline constexpr const char* SOutOfMemory = "Out of memory";
inline constexpr const char* SListIndexError = "List index out of bounds (%d)";
inline constexpr const char* SIntfNotSupported = "Interface not supported";
inline constexpr const char* SInvalidCast = "Invalid class typecast";
inline constexpr const char* SDivByZero = "Division by zero";
