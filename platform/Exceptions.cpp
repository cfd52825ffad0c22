#include "platform/Exceptions.h"

#include <cstdarg>
#include <cstdio>

std::string Format(const char* AFormat, ...)
{
  va_list Args;
  va_start(Args, AFormat);
  va_list Copy;
  va_copy(Copy, Args);
  const int Needed = std::vsnprintf(nullptr, 0, AFormat, Copy);
  va_end(Copy);
  std::string Result;
  if (Needed > 0) {
    Result.resize(static_cast<std::size_t>(Needed));
    std::vsnprintf(Result.data(), Result.size() + 1, AFormat, Args);
  }
  va_end(Args);
  return Result;
}
