// Helpers shared by the buffer tests.
#pragma once

#include "buffers/QDSimpleDataBuffer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

/// The storage block behind a buffer, to tell shared blocks from copies.
inline TQDSmartBuffer* BlockOf(IQDData* AData)
{
  return dynamic_cast<TQDGenericBuffer*>(AData->GetInstance())->GetDataContainer();
}
template <class T>
TQDSmartBuffer* BlockOf(const TRef<T>& AData)
{
  return BlockOf(static_cast<IQDData*>(AData.Get()));
}

/// Runs AAction, expects TError with exactly AMessage.
template <class TError>
void ExpectError(const std::function<void()>& AAction, const std::string& AMessage)
{
  try {
    AAction();
    ADD_FAILURE() << "no error, expected: " << AMessage;
  } catch (const TError& E) {
    EXPECT_EQ(E.Message(), AMessage);
  }
}
