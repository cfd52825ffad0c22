//===- classifier/QDFilterTypes.h - Errors of the filter modules -*- C++ -*-===//
///
/// \file
/// `EQDDLLLoadError`: a library, or a function in it, that cannot be loaded.
/// Raised with "Can't load <file name>" or "Can't get <export name>".
///
//===----------------------------------------------------------------------===//
#pragma once

#include "platform/Exceptions.h"

class EQDDLLLoadError : public Exception
{
public:
  using Exception::Exception;
  ~EQDDLLLoadError() override;
};
