//===- platform/Guid.h - 16-byte identifiers ------------------*- C++ -*-===//
///
/// \file
/// `TGUID` names interfaces, stream types and links. Its text form is
/// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (hex digits, either case on input,
/// upper case on output), and its binary form the 16 bytes D1 (little-endian
/// 32 bits), D2, D3 (little-endian 16 bits each) and D4[0..7], as stored files
/// expect.
///
/// \code
///   static constexpr TGUID IID = MakeGUID("{B9246BCA-4961-415C-945F-257B3EA0ECFC}");
///   TGUID G = StringToGUID(Text);        // raises EConvertError on bad text
///   std::string S = GUIDToString(G);
/// \endcode
///
//===----------------------------------------------------------------------===//
#pragma once

#include "platform/PlatformTypes.h"

#include <optional>
#include <string>
#include <string_view>

struct TGUID
{
  Cardinal D1 = 0;
  Word D2 = 0;
  Word D3 = 0;
  Byte D4[8] = {};

  friend constexpr bool operator==(const TGUID&, const TGUID&) = default;
};
static_assert(sizeof(TGUID) == 16, "TGUID is 16 bytes");

/// The all-zero GUID, used where no identifier is set.
inline constexpr TGUID GUID_NULL{};

namespace GuidDetail {
constexpr int HexValue(char C)
{
  if (C >= '0' && C <= '9')
    return C - '0';
  if (C >= 'a' && C <= 'f')
    return C - 'a' + 10;
  if (C >= 'A' && C <= 'F')
    return C - 'A' + 10;
  return -1;
}

/// Parses the braced text form; empty when the text is malformed.
constexpr std::optional<TGUID> Parse(std::string_view AText)
{
  if (AText.size() != 38 || AText.front() != '{' || AText.back() != '}')
    return std::nullopt;
  // Positions of the 32 hex digits inside the braces, dashes at 9, 14, 19, 24.
  Byte Bytes[16] = {};
  std::size_t Pos = 1;
  for (int I = 0; I < 16; ++I) {
    if (Pos == 9 || Pos == 14 || Pos == 19 || Pos == 24) {
      if (AText[Pos] != '-')
        return std::nullopt;
      ++Pos;
    }
    const int Hi = HexValue(AText[Pos]);
    const int Lo = HexValue(AText[Pos + 1]);
    if (Hi < 0 || Lo < 0)
      return std::nullopt;
    Bytes[I] = static_cast<Byte>(Hi * 16 + Lo);
    Pos += 2;
  }
  if (Pos != 37)
    return std::nullopt;
  TGUID G;
  G.D1 = (Cardinal(Bytes[0]) << 24) | (Cardinal(Bytes[1]) << 16) |
         (Cardinal(Bytes[2]) << 8) | Cardinal(Bytes[3]);
  G.D2 = static_cast<Word>((Bytes[4] << 8) | Bytes[5]);
  G.D3 = static_cast<Word>((Bytes[6] << 8) | Bytes[7]);
  for (int I = 0; I < 8; ++I)
    G.D4[I] = Bytes[8 + I];
  return G;
}
} // namespace GuidDetail

/// A GUID from its text at compile time; malformed text does not compile.
consteval TGUID MakeGUID(std::string_view AText)
{
  const auto G = GuidDetail::Parse(AText);
  if (!G)
    throw "malformed GUID literal"; // not a constant expression: a compile error
  return *G;
}

/// Text to GUID. Raises EConvertError naming the text when it is malformed.
TGUID StringToGUID(std::string_view AText);
/// GUID to its braced upper-case text.
std::string GUIDToString(const TGUID& AGuid);
/// A fresh random (version 4) GUID.
TGUID CreateGUID();
