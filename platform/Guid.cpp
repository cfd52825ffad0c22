#include "platform/Guid.h"

#include "platform/Exceptions.h"

#include <cstdio>
#include <random>

TGUID StringToGUID(std::string_view AText)
{
  const auto G = GuidDetail::Parse(AText);
  if (!G)
    throw EConvertError(Format("'%.*s' is not a valid GUID value",
                               static_cast<int>(AText.size()), AText.data()));
  return *G;
}

std::string GUIDToString(const TGUID& AGuid)
{
  char Text[39];
  std::snprintf(Text, sizeof Text,
                "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                AGuid.D1, AGuid.D2, AGuid.D3, AGuid.D4[0], AGuid.D4[1],
                AGuid.D4[2], AGuid.D4[3], AGuid.D4[4], AGuid.D4[5],
                AGuid.D4[6], AGuid.D4[7]);
  return Text;
}

TGUID CreateGUID()
{
  // One generator per thread: seeding costs more than drawing, and no lock is needed.
  thread_local std::mt19937_64 Engine{std::random_device{}()};
  const UInt64 Hi = Engine();
  const UInt64 Lo = Engine();
  TGUID G;
  G.D1 = static_cast<Cardinal>(Hi >> 32);
  G.D2 = static_cast<Word>(Hi >> 16);
  G.D3 = static_cast<Word>((Hi & 0x0FFF) | 0x4000); // version 4
  for (int I = 0; I < 8; ++I)
    G.D4[I] = static_cast<Byte>(Lo >> (56 - 8 * I));
  G.D4[0] = static_cast<Byte>((G.D4[0] & 0x3F) | 0x80); // RFC 4122 variant
  return G;
}
