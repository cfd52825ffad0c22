#include "platform/Interfaces.h"

#include "platform/Exceptions.h"

std::int32_t TInterfacedObject::QueryInterface(const TGUID& AIID, void** AObj) noexcept
{
  if (AIID == IInterface::IID) {
    IInterface* P = this;
    P->AddRef();
    *AObj = P;
    return S_OK;
  }
  *AObj = nullptr;
  return E_NOINTERFACE;
}

void RaiseIntfCastError()
{
  throw EInvalidCast(SIntfNotSupported);
}
