#include "buffers/QDSimpleDataBuffer.h"
#include "BufferFixtures.h"

#include "platform/Exceptions.h"
#include "primitives/QDScopeDispatcher.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr Integer IMax = std::numeric_limits<Integer>::max();
constexpr Integer IMin = std::numeric_limits<Integer>::min();

TRef<TQDIntegerBuffer> Ints(std::vector<Integer> AValues)
{
  return TQDIntegerBuffer::CreateData(AValues.data(), Cardinal(AValues.size()));
}
std::vector<Integer> Values(const TRef<TQDIntegerBuffer>& A)
{
  return std::vector<Integer>(A->Read(), A->Read() + A->GetSize());
}

TRef<TQDBlockBuffer> Bytes(std::vector<Byte> AValues)
{
  return TQDBlockBuffer::CreateData(AValues.data(), Cardinal(AValues.size()));
}
std::vector<Byte> Values(const TRef<TQDBlockBuffer>& A)
{
  return std::vector<Byte>(A->Read(), A->Read() + A->GetSize());
}

using C = std::complex<double>;
TRef<TQDComplexBuffer> Cplx(std::vector<C> AValues)
{
  TRef<TQDComplexBuffer> R = TQDComplexBuffer::CreateSize(Cardinal(AValues.size()));
  for (std::size_t I = 0; I < AValues.size(); ++I)
    R->SetItem(Integer(I), TXNRealComplex{AValues[I].real(), AValues[I].imag()});
  return R;
}
std::vector<C> Values(const TRef<TQDComplexBuffer>& A)
{
  std::vector<C> R;
  for (Cardinal I = 0; I < A->GetSize(); ++I)
    R.emplace_back(A->Read()[I].Real, A->Read()[I].Imaginary);
  return R;
}
std::vector<Real> Values(const TRef<IQDRealBuffer>& A)
{
  return std::vector<Real>(A->Read(), A->Read() + A->GetSize());
}

MATCHER_P2(ComplexNear, AWant, ATol, "")
{
  return std::abs(arg - AWant) <= ATol;
}
auto ComplexValuesNear(const std::vector<C>& AWant, double ATol = 1e-12)
{
  std::vector<::testing::Matcher<C>> M;
  for (const C& W : AWant)
    M.push_back(ComplexNear(W, ATol));
  return ::testing::ElementsAreArray(M);
}

/// Installs AImpl into a dispatch entry for one test and puts the entry back
/// afterwards. The table is started first, so start-up cannot overwrite it.
template <class F>
class TEntryOverride
{
public:
  TEntryOverride(F& AEntry, F AImpl) : FEntry(AEntry)
  {
    QDScopeDispatcherStart();
    FSaved = AEntry;
    AEntry = AImpl;
  }
  ~TEntryOverride()
  {
    FEntry = FSaved;
    QDScopeDispatcherStop();
  }
  TEntryOverride(const TEntryOverride&) = delete;
  TEntryOverride& operator=(const TEntryOverride&) = delete;

private:
  F& FEntry;
  F FSaved = nullptr;
};

// ---------------------------------------------------------------------------
// Common to the three kinds
// ---------------------------------------------------------------------------

TEST(TQDTypedBuffers, ElementSizesAndInterfaces)
{
  TRef<TQDIntegerBuffer> I = TQDIntegerBuffer::CreateSize(5);
  TRef<TQDComplexBuffer> Z = TQDComplexBuffer::CreateSize(5);
  TRef<TQDBlockBuffer> B = TQDBlockBuffer::CreateSize(5);
  EXPECT_EQ(I->GetByteSize(), 20u);
  EXPECT_EQ(Z->GetByteSize(), 80u);
  EXPECT_EQ(B->GetByteSize(), 5u);
  for (IQDDataBuffer* Buffer : {static_cast<IQDDataBuffer*>(I.Get()), static_cast<IQDDataBuffer*>(Z.Get()),
                                static_cast<IQDDataBuffer*>(B.Get())}) {
    EXPECT_EQ(Buffer->GetSize(), 5u);
    TRef<IQDData> Data(Buffer);
    EXPECT_TRUE(Query<IQDLinearDataBuffer>(Data));
    EXPECT_TRUE(Query<IQDGenericBuffer>(Data));
    EXPECT_FALSE(Query<IQDRealBuffer>(Data));
  }
  EXPECT_TRUE(Query<IQDIntegerBuffer>(TRef<IQDData>(I)));
  EXPECT_FALSE(Query<IQDComplexBuffer>(TRef<IQDData>(I)));
  EXPECT_TRUE(Query<IQDComplexBuffer>(TRef<IQDData>(Z)));
  EXPECT_TRUE(Query<IQDBlockBuffer>(TRef<IQDData>(B)));
  EXPECT_FALSE(Query<IQDIntegerBuffer>(TRef<IQDData>(B)));
}

TEST(TQDTypedBuffers, CopiesShareTheBlockUntilWritten)
{
  TRef<TQDIntegerBuffer> A = Ints({1, 2, 3});
  TRef<IQDData> Copy = A->MakeCopy();
  auto* B = dynamic_cast<TQDIntegerBuffer*>(Copy->GetInstance());
  ASSERT_NE(B, nullptr);
  EXPECT_EQ(BlockOf(Copy), BlockOf(A));
  B->SetItem(0, 9);
  EXPECT_NE(BlockOf(Copy), BlockOf(A));
  EXPECT_THAT(Values(A), ::testing::ElementsAre(1, 2, 3));
  EXPECT_EQ(B->GetItem(0), 9);

  TRef<TQDComplexBuffer> Z = Cplx({{1, 2}});
  TRef<TQDComplexBuffer> Z2 = TQDComplexBuffer::CreateCopy(Z);
  EXPECT_EQ(BlockOf(Z2), BlockOf(Z));
  TRef<TQDBlockBuffer> Y = Bytes({4});
  TRef<TQDBlockBuffer> Y2 = TQDBlockBuffer::CreateCopy(Y);
  Y2->SetItem(0, 5);
  EXPECT_EQ(Y->GetItem(0), 4);
}

TEST(TQDTypedBuffers, CreateUniversalReinterpretsTheBytes)
{
  Real Source[2] = {1.0, -2.5};
  TRef<TQDRealBuffer> R = TQDRealBuffer::CreateData(Source, 2);
  TRef<TQDIntegerBuffer> I = TQDIntegerBuffer::CreateUniversal(R);
  TRef<TQDComplexBuffer> Z = TQDComplexBuffer::CreateUniversal(R);
  TRef<TQDBlockBuffer> B = TQDBlockBuffer::CreateUniversal(R);
  EXPECT_EQ(I->GetSize(), 4u);
  EXPECT_EQ(Z->GetSize(), 1u);
  EXPECT_EQ(B->GetSize(), 16u);
  EXPECT_EQ(BlockOf(I), BlockOf(R));
  EXPECT_EQ(Z->GetItem(0).Real, 1.0);
  EXPECT_EQ(Z->GetItem(0).Imaginary, -2.5);
  EXPECT_EQ(B->GetItem(7), 0x3F);
  EXPECT_EQ(I->GetItem(1), 0x3FF00000);
  TRef<IQDData> NoBuffer = TQDRealBufferList::Create();
  EXPECT_THROW(TQDIntegerBuffer::CreateUniversal(NoBuffer), EInvalidCast);
}

TEST(TQDTypedBuffers, IsEqualNeedsTheSameClassAndBytes)
{
  TRef<TQDIntegerBuffer> I = Ints({1, 2});
  TRef<TQDBlockBuffer> B = TQDBlockBuffer::CreateUniversal(I);
  EXPECT_TRUE(I->IsEqual(Ints({1, 2})));
  EXPECT_FALSE(I->IsEqual(Ints({1, 3})));
  EXPECT_FALSE(I->IsEqual(B)) << "same bytes, other class";
  EXPECT_TRUE(B->IsEqual(TQDBlockBuffer::CreateCopy(B)));
  EXPECT_FALSE(Cplx({{1, 0}})->IsEqual(B));
}

TEST(TQDTypedBuffers, ElementAccessOutsideTheBufferIsARangeError)
{
  TRef<TQDIntegerBuffer> I = Ints({1, 2});
  TRef<TQDComplexBuffer> Z = Cplx({{1, 2}});
  TRef<TQDBlockBuffer> B = Bytes({1, 2, 3});
  ExpectError<ERangeError>([&] { I->GetItem(2); }, "Index out of range = 2");
  ExpectError<ERangeError>([&] { I->SetItem(-1, 0); }, "Index out of range = 4294967295");
  ExpectError<ERangeError>([&] { Z->GetItem(1); }, "Index out of range = 1");
  ExpectError<ERangeError>([&] { Z->SetItem(5, {}); }, "Index out of range = 5");
  ExpectError<ERangeError>([&] { B->GetItem(3); }, "Index out of range = 3");
  ExpectError<ERangeError>([&] { TQDBlockBuffer::Create()->GetItem(0); }, "Index out of range = 0");
  ExpectError<ERangeError>([&] { B->SetItem(3, 0); }, "Index out of range = 3");
  EXPECT_THAT(Values(B), ::testing::ElementsAre(1, 2, 3));
}

TEST(TQDTypedBuffers, CreateValueFillsEveryElement)
{
  EXPECT_THAT(Values(TQDIntegerBuffer::CreateValue(-7, 3)), ::testing::ElementsAre(-7, -7, -7));
  EXPECT_THAT(Values(TQDComplexBuffer::CreateValue({1.5, -2}, 2)),
              ::testing::ElementsAre(C(1.5, -2), C(1.5, -2)));
  EXPECT_EQ(TQDComplexBuffer::CreateValue({1, 1}, 0)->GetSize(), 0u);
}

// ---------------------------------------------------------------------------
// Integer buffer
// ---------------------------------------------------------------------------

struct TIntBinaryCase
{
  const char* Name;
  std::function<void(TQDIntegerBuffer&, const TRef<IQDIntegerBuffer>&)> Op;
  std::vector<Integer> Self, Right, Want;
};
class IntegerBinary : public ::testing::TestWithParam<TIntBinaryCase> {};

TEST_P(IntegerBinary, ChangesTheCommonPrefixOnly)
{
  const TIntBinaryCase& P = GetParam();
  TRef<TQDIntegerBuffer> Self = Ints(P.Self);
  TRef<TQDIntegerBuffer> Other = TQDIntegerBuffer::CreateCopy(Self);
  TRef<TQDIntegerBuffer> Right = Ints(P.Right);
  P.Op(*Self, Right);
  EXPECT_EQ(Values(Self), P.Want);
  EXPECT_EQ(Values(Other), P.Self) << "a buffer sharing the old block keeps its values";
  EXPECT_EQ(Values(Right), P.Right);
}

using TI = TQDIntegerBuffer;
using RI = const TRef<IQDIntegerBuffer>&;
INSTANTIATE_TEST_SUITE_P(
    Buffers, IntegerBinary,
    ::testing::Values(
        TIntBinaryCase{"AddSaturates", [](TI& S, RI R) { S.Add(R); }, {IMax, IMin, 3}, {1, -1, 4}, {IMax, IMin, 7}},
        TIntBinaryCase{"AddOfALongerRight", [](TI& S, RI R) { S.Add(R); }, {1, 2, 3}, {10, 20, 30, 40, 50}, {11, 22, 33}},
        TIntBinaryCase{"AddOfAShorterRight", [](TI& S, RI R) { S.Add(R); }, {1, 2, 3, 4, 5}, {10, 20, 30}, {11, 22, 33, 4, 5}},
        TIntBinaryCase{"SubtractSaturates", [](TI& S, RI R) { S.Subtract(R); }, {IMin, 5}, {1, 7}, {IMin, -2}},
        TIntBinaryCase{"MultiplySaturates", [](TI& S, RI R) { S.Multiply(R); }, {65536, -3, IMin}, {65536, 4, 2}, {IMax, -12, IMin}},
        // Rounded to nearest, ties to even; a zero divisor gives the limit of the dividend's sign.
        TIntBinaryCase{"DivideRoundsAndSaturates", [](TI& S, RI R) { S.Divide(R); },
                       {7, -7, 5, 0, 9, 5, -5}, {2, 2, 2, 0, -3, 0, 0}, {4, -4, 2, 0, -3, IMax, IMin}},
        TIntBinaryCase{"ModHasTheSignOfTheDividend", [](TI& S, RI R) { S.ModBuffer(R); },
                       {7, -7, 7, IMin}, {3, 3, -3, -1}, {1, -1, 1, 0}},
        TIntBinaryCase{"And", [](TI& S, RI R) { S.AndBuffer(R); }, {0xF0F0, -1}, {0x0FF0, 0x1234}, {0x00F0, 0x1234}},
        TIntBinaryCase{"Or", [](TI& S, RI R) { S.OrBuffer(R); }, {0xF000, 0}, {0x000F, -8}, {0xF00F, -8}},
        TIntBinaryCase{"Xor", [](TI& S, RI R) { S.XorBuffer(R); }, {-1, 5}, {0, 1}, {-1, 4}},
        TIntBinaryCase{"LShiftTakesTheCountMod32", [](TI& S, RI R) { S.LShift(R); }, {1, 1, 3}, {3, 33, -1}, {8, 2, IMin}},
        TIntBinaryCase{"RShiftIsLogical", [](TI& S, RI R) { S.RShift(R); }, {-8, 256, -1}, {1, 36, 0}, {2147483644, 16, -1}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

struct TIntValueCase
{
  const char* Name;
  std::function<void(TQDIntegerBuffer&)> Op;
  std::vector<Integer> Self, Want;
  bool StaysShared;
};
class IntegerValue : public ::testing::TestWithParam<TIntValueCase> {};

TEST_P(IntegerValue, ResultAndCopyOnWrite)
{
  const TIntValueCase& P = GetParam();
  TRef<TQDIntegerBuffer> Self = Ints(P.Self);
  TRef<TQDIntegerBuffer> Other = TQDIntegerBuffer::CreateCopy(Self);
  P.Op(*Self);
  EXPECT_EQ(Values(Self), P.Want);
  EXPECT_EQ(BlockOf(Self) == BlockOf(Other), P.StaysShared);
  EXPECT_EQ(Values(Other), P.Self);
}

INSTANTIATE_TEST_SUITE_P(
    Buffers, IntegerValue,
    ::testing::Values(
        TIntValueCase{"SetValue", [](TI& S) { S.SetValue(7); }, {1, 2, 3}, {7, 7, 7}, false},
        TIntValueCase{"Zero", [](TI& S) { S.Zero(); }, {1, -2, 3}, {0, 0, 0}, false},
        TIntValueCase{"AddValueZeroDoesNothing", [](TI& S) { S.AddValue(0); }, {1, 2}, {1, 2}, true},
        TIntValueCase{"AddValueSaturates", [](TI& S) { S.AddValue(IMax); }, {1, -5}, {IMax, IMax - 5}, false},
        TIntValueCase{"SubtractValueZeroStillCopies", [](TI& S) { S.SubtractValue(0); }, {1, 2}, {1, 2}, false},
        TIntValueCase{"SubtractValueSaturates", [](TI& S) { S.SubtractValue(1); }, {IMin, 0}, {IMin, -1}, false},
        TIntValueCase{"MultiplyValueOneDoesNothing", [](TI& S) { S.MultiplyValue(1); }, {3}, {3}, true},
        TIntValueCase{"MultiplyValueSaturates", [](TI& S) { S.MultiplyValue(-2); }, {IMin, 3}, {IMax, -6}, false},
        TIntValueCase{"DivideValueZeroDoesNothing", [](TI& S) { S.DivideValue(0); }, {7}, {7}, true},
        TIntValueCase{"DivideValueOneDoesNothing", [](TI& S) { S.DivideValue(1); }, {7}, {7}, true},
        TIntValueCase{"DivideValueTruncates", [](TI& S) { S.DivideValue(2); }, {7, -7}, {3, -3}, false},
        TIntValueCase{"DivideValueOfTheSmallestByMinusOneSaturates", [](TI& S) { S.DivideValue(-1); },
                      {IMin, 5}, {IMax, -5}, false},
        TIntValueCase{"ModValue", [](TI& S) { S.ModValue(3); }, {7, -7, 3}, {1, -1, 0}, false},
        TIntValueCase{"ModValueMinusOne", [](TI& S) { S.ModValue(-1); }, {IMin, 5}, {0, 0}, false},
        TIntValueCase{"AndValueAllBitsDoesNothing", [](TI& S) { S.AndValue(-1); }, {5}, {5}, true},
        TIntValueCase{"AndValue", [](TI& S) { S.AndValue(0xFF); }, {0x1234, -1}, {0x34, 0xFF}, false},
        TIntValueCase{"OrValueZeroDoesNothing", [](TI& S) { S.OrValue(0); }, {5}, {5}, true},
        TIntValueCase{"OrValue", [](TI& S) { S.OrValue(1); }, {2, -2}, {3, -1}, false},
        TIntValueCase{"XorValueZeroDoesNothing", [](TI& S) { S.XorValue(0); }, {5}, {5}, true},
        TIntValueCase{"XorValue", [](TI& S) { S.XorValue(-1); }, {0, 5}, {-1, -6}, false},
        TIntValueCase{"LShiftValueZeroDoesNothing", [](TI& S) { S.LShiftValue(0); }, {5}, {5}, true},
        TIntValueCase{"LShiftValue", [](TI& S) { S.LShiftValue(4); }, {1, -1}, {16, -16}, false},
        TIntValueCase{"LShiftValueBeyond31LeavesZero", [](TI& S) { S.LShiftValue(32); }, {1, -1}, {0, 0}, false},
        TIntValueCase{"RShiftValueZeroDoesNothing", [](TI& S) { S.RShiftValue(0); }, {-8}, {-8}, true},
        TIntValueCase{"RShiftValueIsArithmetic", [](TI& S) { S.RShiftValue(1); }, {-8, 8}, {-4, 4}, false}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(TQDIntegerBuffer, ModByZeroRaisesAfterTheElementsBeforeIt)
{
  TRef<TQDIntegerBuffer> A = Ints({7, 8, 9});
  ExpectError<EDivByZero>([&] { A->ModBuffer(Ints({2, 0, 2})); }, "Division by zero");
  EXPECT_THAT(Values(A), ::testing::ElementsAre(1, 8, 9));

  TRef<TQDIntegerBuffer> B = Ints({7});
  TRef<TQDIntegerBuffer> Shared = TQDIntegerBuffer::CreateCopy(B);
  ExpectError<EDivByZero>([&] { B->ModValue(0); }, "Division by zero");
  EXPECT_EQ(BlockOf(B), BlockOf(Shared)) << "refused before anything is written";
  EXPECT_NO_THROW(TQDIntegerBuffer::Create()->ModValue(0)) << "no element, no division";
}

TEST(TQDIntegerBuffer, DivideValueOfASharedBlockFillsAFreshOne)
{
  TRef<TQDIntegerBuffer> A = Ints({10, -10, 5});
  TQDSmartBuffer* Old = BlockOf(A);
  TRef<TQDIntegerBuffer> B = TQDIntegerBuffer::CreateCopy(A);
  A->DivideValue(3);
  EXPECT_NE(BlockOf(A), Old);
  EXPECT_EQ(BlockOf(B), Old);
  EXPECT_EQ(Old->CountOwners(), 1);
  EXPECT_THAT(Values(A), ::testing::ElementsAre(3, -3, 1));
  EXPECT_THAT(Values(B), ::testing::ElementsAre(10, -10, 5));

  TQDSmartBuffer* Own = BlockOf(B);
  B->DivideValue(-5);
  EXPECT_EQ(BlockOf(B), Own) << "a single owner divides in place";
  EXPECT_THAT(Values(B), ::testing::ElementsAre(-2, 2, -1));
}

TEST(TQDIntegerBuffer, ArithmeticWithItselfReadsTheOldValues)
{
  TRef<TQDIntegerBuffer> A = Ints({3, -4});
  TRef<TQDIntegerBuffer> Shared = TQDIntegerBuffer::CreateCopy(A);
  A->Multiply(A);
  EXPECT_THAT(Values(A), ::testing::ElementsAre(9, 16));
  A->Add(Shared);
  EXPECT_THAT(Values(A), ::testing::ElementsAre(12, 12));
  EXPECT_THAT(Values(Shared), ::testing::ElementsAre(3, -4));
}

TEST(TQDIntegerBuffer, MinAndMaxAreZeroWhenEmpty)
{
  TRef<TQDIntegerBuffer> A = Ints({3, -2, 9, IMin});
  EXPECT_EQ(A->GetMinValue(), IMin);
  EXPECT_EQ(A->GetMaxValue(), 9);
  EXPECT_EQ(TQDIntegerBuffer::Create()->GetMinValue(), 0);
  EXPECT_EQ(TQDIntegerBuffer::Create()->GetMaxValue(), 0);
}

TEST(TQDIntegerBuffer, CopyToCountsElementsBetweenIntegerBuffersAndBytesOtherwise)
{
  TRef<TQDIntegerBuffer> A = Ints({1, 2, 3, 4});
  TRef<TQDIntegerBuffer> B = Ints({0, 0, 0});
  TRef<TQDIntegerBuffer> Shared = TQDIntegerBuffer::CreateCopy(B);
  A->CopyTo(1, B, 0, 2);
  EXPECT_THAT(Values(B), ::testing::ElementsAre(2, 3, 0));
  EXPECT_THAT(Values(Shared), ::testing::ElementsAre(0, 0, 0));
  A->CopyTo(0, A, 1, 3);
  EXPECT_THAT(Values(A), ::testing::ElementsAre(1, 1, 2, 3)) << "overlapping copy within one buffer";
  EXPECT_THROW(A->CopyTo(2, B, 0, 3), ERangeError);

  TRef<TQDBlockBuffer> Y = Bytes({9, 9, 9});
  A->CopyTo(4, Y, 0, 3); // bytes: the low three bytes of A[1] = 1
  EXPECT_THAT(Values(Y), ::testing::ElementsAre(1, 0, 0));
}

// Dot's entry is installed by the test: what the buffer layer owes is the
// common length, the operand order, scale factor 0 and the result.
struct TDotRecord
{
  int Len = -1, ScaleFactor = -1;
  Ipp32s First1 = 0, First2 = 0;
} GDot;

IppStatus TestDotProd32s(const Ipp32s* Src1, const Ipp32s* Src2, int Len, Ipp32s* DotProd, int ScaleFactor)
{
  GDot = {Len, ScaleFactor, 0, 0};
  if (Len < 1)
    return ippStsSizeErr;
  GDot.First1 = Src1[0];
  GDot.First2 = Src2[0];
  Ipp64s Sum = 0;
  for (int I = 0; I < Len; ++I)
    Sum += Ipp64s(Src1[I]) * Src2[I];
  *DotProd = Ipp32s(std::clamp<Ipp64s>(Sum, IMin, IMax));
  return ippStsNoErr;
}

TEST(TQDIntegerBuffer, DotPassesTheCommonLengthToItsEntry)
{
  TEntryOverride<TippsDotProd_32s_Sfs> Entry(ippsDotProd_32s_Sfs, &TestDotProd32s);
  TRef<TQDIntegerBuffer> Self = Ints({1, 2, 3, 4});
  TRef<TQDIntegerBuffer> Right = Ints({10, 20, 30});
  EXPECT_EQ(Self->Dot(Right), 140);
  EXPECT_EQ(GDot.Len, 3);
  EXPECT_EQ(GDot.ScaleFactor, 0);
  EXPECT_EQ(GDot.First1, 10) << "Right first";
  EXPECT_EQ(GDot.First2, 1);
  EXPECT_EQ(TQDIntegerBuffer::Create()->Dot(Right), 0) << "an entry that refuses leaves 0";
}

// ---------------------------------------------------------------------------
// Complex buffer
// ---------------------------------------------------------------------------

struct TCplxCase
{
  const char* Name;
  std::function<void(TQDComplexBuffer&, const TRef<IQDComplexBuffer>&)> Op;
  std::vector<C> Self, Right, Want;
  bool StaysShared;
};
class ComplexOps : public ::testing::TestWithParam<TCplxCase> {};

TEST_P(ComplexOps, ResultAndCopyOnWrite)
{
  const TCplxCase& P = GetParam();
  TRef<TQDComplexBuffer> Self = Cplx(P.Self);
  TRef<TQDComplexBuffer> Other = TQDComplexBuffer::CreateCopy(Self);
  P.Op(*Self, Cplx(P.Right));
  EXPECT_THAT(Values(Self), ComplexValuesNear(P.Want));
  EXPECT_EQ(BlockOf(Self) == BlockOf(Other), P.StaysShared);
  EXPECT_THAT(Values(Other), ComplexValuesNear(P.Self));
}

using TZ = TQDComplexBuffer;
using RZ = const TRef<IQDComplexBuffer>&;
INSTANTIATE_TEST_SUITE_P(
    Buffers, ComplexOps,
    ::testing::Values(
        TCplxCase{"Add", [](TZ& S, RZ R) { S.Add(R); }, {{1, 2}, {0, 0}}, {{3, -1}, {1, 1}}, {{4, 1}, {1, 1}}, false},
        TCplxCase{"AddOfAShorterRight", [](TZ& S, RZ R) { S.Add(R); }, {{1, 2}, {5, 5}}, {{3, -1}}, {{4, 1}, {5, 5}}, false},
        TCplxCase{"Subtract", [](TZ& S, RZ R) { S.Subtract(R); }, {{1, 2}}, {{3, -1}}, {{-2, 3}}, false},
        TCplxCase{"Multiply", [](TZ& S, RZ R) { S.Multiply(R); }, {{1, 2}, {2, 0}}, {{3, 4}, {0, 1}}, {{-5, 10}, {0, 2}}, false},
        TCplxCase{"Divide", [](TZ& S, RZ R) { S.Divide(R); }, {{-5, 10}}, {{3, 4}}, {{1, 2}}, false},
        TCplxCase{"AddValueZeroStillCopies", [](TZ& S, RZ) { S.AddValue(0, 0); }, {{1, 2}}, {}, {{1, 2}}, false},
        TCplxCase{"SubtractValue", [](TZ& S, RZ) { S.SubtractValue(1, -1); }, {{1, 2}}, {}, {{0, 3}}, false},
        TCplxCase{"MultiplyValueOneStillCopies", [](TZ& S, RZ) { S.MultiplyValue(1, 0); }, {{1, 2}}, {}, {{1, 2}}, false},
        TCplxCase{"MultiplyValue", [](TZ& S, RZ) { S.MultiplyValue(0, 1); }, {{1, 2}}, {}, {{-2, 1}}, false},
        TCplxCase{"DivideValue", [](TZ& S, RZ) { S.DivideValue(0, 2); }, {{2, 4}}, {}, {{2, -1}}, false},
        TCplxCase{"SetValue", [](TZ& S, RZ) { S.SetValue(1.5, -1); }, {{1, 2}, {3, 4}}, {}, {{1.5, -1}, {1.5, -1}}, false},
        TCplxCase{"SetValueOfAComplex", [](TZ& S, RZ) { S.SetValue(TXNRealComplex{-3, 0.5}); }, {{1, 2}}, {}, {{-3, 0.5}}, false},
        TCplxCase{"Zero", [](TZ& S, RZ) { S.Zero(); }, {{1, 2}, {3, 4}}, {}, {{0, 0}, {0, 0}}, false},
        TCplxCase{"Sqr", [](TZ& S, RZ) { S.Sqr(); }, {{1, 2}}, {}, {{-3, 4}}, false},
        TCplxCase{"Sqrt", [](TZ& S, RZ) { S.Sqrt(); }, {{-3, 4}, {0, 0}}, {}, {{1, 2}, {0, 0}}, false},
        TCplxCase{"SqrFrom", [](TZ& S, RZ R) { S.SqrFrom(R); }, {{9, 9}}, {{0, 1}, {7, 7}}, {{-1, 0}}, false},
        TCplxCase{"SqrtFrom", [](TZ& S, RZ R) { S.SqrtFrom(R); }, {{9, 9}, {9, 9}}, {{0, 2}, {4, 0}}, {{1, 1}, {2, 0}}, false},
        // Magnitudes beyond the level become the level, keeping the phase.
        TCplxCase{"ThresholdGreater", [](TZ& S, RZ) { S.Threshold(5, ttGreaterThan); }, {{6, 8}, {1, 0}}, {}, {{3, 4}, {1, 0}}, false},
        TCplxCase{"ThresholdLess", [](TZ& S, RZ) { S.Threshold(2, ttLessThan); }, {{0, 0}, {0, 1}, {3, 0}}, {}, {{2, 0}, {0, 2}, {3, 0}}, false},
        TCplxCase{"ThresholdFrom", [](TZ& S, RZ R) { S.ThresholdFrom(R, 5, ttGreaterThan); }, {{0, 0}, {0, 0}}, {{0, 10}, {1, 1}}, {{0, 5}, {1, 1}}, false},
        TCplxCase{"NormalizeFromALongerSource", [](TZ& S, RZ R) { S.NormalizeFrom(R, {1, 1}, 2); }, {{0, 0}}, {{3, 5}, {9, 9}}, {{1, 2}}, false}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(TQDComplexBuffer, DivideByZeroFollowsTheEntryRule)
{
  // No zero-divisor rule of the buffer's own: whatever the entry gives.
  TRef<TQDComplexBuffer> A = Cplx({{1, 0}});
  TRef<TQDComplexBuffer> Want = Cplx({{1, 0}});
  ippsDiv_64fc_I(reinterpret_cast<const Ipp64fc*>(Cplx({{0, 0}})->Read()),
                 reinterpret_cast<Ipp64fc*>(Want->Modify()), 1);
  A->Divide(Cplx({{0, 0}}));
  EXPECT_TRUE(A->IsEqual(Want));
}

TEST(TQDComplexBuffer, NormalizeInPlaceLeavesASharingBufferAlone)
{
  TRef<TQDComplexBuffer> A = Cplx({{3, 5}, {1, 1}});
  TRef<TQDComplexBuffer> B = TQDComplexBuffer::CreateCopy(A);
  A->Normalize({1, 1}, 2);
  EXPECT_THAT(Values(A), ComplexValuesNear({{1, 2}, {0, 0}}));
  EXPECT_THAT(Values(B), ComplexValuesNear({{3, 5}, {1, 1}}));
  B->Normalize({0, 0}, 0.5);
  EXPECT_THAT(Values(B), ComplexValuesNear({{6, 10}, {2, 2}}));
  EXPECT_EQ(BlockOf(B)->CountOwners(), 1) << "the temporary owner is gone";
}

TEST(TQDComplexBuffer, SetBufferTakesTheShorterLength)
{
  Real Re[4] = {1, 2, 3, 4}, Im[3] = {-1, -2, -3};
  TRef<TQDComplexBuffer> A = Cplx({{9, 9}});
  A->SetBuffer(TQDRealBuffer::CreateData(Re, 4), TQDRealBuffer::CreateData(Im, 3));
  EXPECT_THAT(Values(A), ::testing::ElementsAre(C(1, -1), C(2, -2), C(3, -3)));
  A->SetBuffer(TQDRealBuffer::Create(), TQDRealBuffer::CreateData(Im, 3));
  EXPECT_EQ(A->GetSize(), 0u);
}

TEST(TQDComplexBuffer, RealViewsAreNewBuffersOfTheSameLength)
{
  TRef<TQDComplexBuffer> A = Cplx({{3, 4}, {0, -2}});
  EXPECT_THAT(Values(A->GetReal()), ::testing::ElementsAre(3, 0));
  EXPECT_THAT(Values(A->GetImaginary()), ::testing::ElementsAre(4, -2));
  EXPECT_THAT(Values(A->Magnitude()), ::testing::ElementsAre(5, 2));
  EXPECT_THAT(Values(A->PowerSpectrum()), ::testing::ElementsAre(25, 4));
  EXPECT_THAT(Values(A->Phase()), ::testing::ElementsAre(::testing::DoubleEq(std::atan2(4.0, 3.0)),
                                                          ::testing::DoubleEq(-std::numbers::pi / 2)));
  TRef<IQDRealBuffer> Re = A->GetReal();
  Re->SetItem(0, 7);
  EXPECT_EQ(A->GetItem(0).Real, 3) << "independent of the complex buffer";

  TRef<TQDComplexBuffer> Empty = TQDComplexBuffer::Create();
  for (const TRef<IQDRealBuffer>& R :
       {Empty->GetReal(), Empty->GetImaginary(), Empty->Phase(), Empty->Magnitude(), Empty->PowerSpectrum()})
    EXPECT_EQ(R->GetSize(), 0u);
}

// Test entries for the reductions and correlations: plain sums.
struct TCorrRecord
{
  const char* Entry = nullptr;
  int SrcLen = -1, Src2Len = -1, DstLen = -1, LowLag = 0;
} GCorr;

IppStatus TestDotProd64fc(const Ipp64fc* Src1, const Ipp64fc* Src2, int Len, Ipp64fc* DotProd)
{
  GCorr = {"Dot", Len, -1, -1, 0};
  if (Len < 1)
    return ippStsSizeErr;
  C Sum = 0;
  for (int I = 0; I < Len; ++I)
    Sum += C(Src1[I].re, Src1[I].im) * C(Src2[I].re, Src2[I].im);
  *DotProd = {Sum.real(), Sum.imag()};
  return ippStsNoErr;
}

IppStatus PoisonDotProd64fc(const Ipp64fc*, const Ipp64fc*, int, Ipp64fc*)
{
  return ippStsSizeErr; // writes nothing
}

template <int AKind>
IppStatus TestAutoCorr64fc(const Ipp64fc* Src, int SrcLen, Ipp64fc* Dst, int DstLen)
{
  GCorr = {AKind == 0 ? "Normal" : AKind == 1 ? "NormA" : "NormB", SrcLen, -1, DstLen, 0};
  for (int N = 0; N < DstLen; ++N) {
    C Sum = 0;
    for (int K = 0; K + N < SrcLen; ++K)
      Sum += std::conj(C(Src[K].re, Src[K].im)) * C(Src[K + N].re, Src[K + N].im);
    if (AKind == 1)
      Sum /= SrcLen;
    if (AKind == 2)
      Sum /= SrcLen - N;
    Dst[N] = {Sum.real(), Sum.imag()};
  }
  return ippStsNoErr;
}

IppStatus TestCrossCorr64fc(const Ipp64fc* Src1, int Src1Len, const Ipp64fc* Src2, int Src2Len,
                            Ipp64fc* Dst, int DstLen, int LowLag)
{
  GCorr = {"Cross", Src1Len, Src2Len, DstLen, LowLag};
  for (int N = 0; N < DstLen; ++N) {
    C Sum = 0;
    for (int K = 0; K < Src1Len; ++K) {
      const int J = K + N + LowLag;
      if (J >= 0 && J < Src2Len)
        Sum += std::conj(C(Src1[K].re, Src1[K].im)) * C(Src2[J].re, Src2[J].im);
    }
    Dst[N] = {Sum.real(), Sum.imag()};
  }
  return ippStsNoErr;
}

TEST(TQDComplexBuffer, DotUsesTheCommonLengthAndStartsFromZero)
{
  {
    TEntryOverride<TippsDotProd_64fc> Entry(ippsDotProd_64fc, &TestDotProd64fc);
    TRef<TQDComplexBuffer> Self = Cplx({{1, 1}, {2, 0}, {5, 5}});
    TXNRealComplex R = Self->Dot(Cplx({{0, 1}, {3, 0}}));
    EXPECT_EQ(GCorr.SrcLen, 2);
    EXPECT_EQ(R.Real, -1 + 6); // i(1 + i) + 3 x 2, no conjugation
    EXPECT_EQ(R.Imaginary, 1);
  }
  TEntryOverride<TippsDotProd_64fc> Entry(ippsDotProd_64fc, &PoisonDotProd64fc);
  TXNRealComplex R = Cplx({{1, 1}})->Dot(Cplx({{1, 1}}));
  EXPECT_EQ(R.Real, 0);
  EXPECT_EQ(R.Imaginary, 0);
}

struct TAutoCorrCase
{
  const char* Name;
  TQDAutoCorrType Type;
  const char* Entry;
  std::vector<C> Src;
  Cardinal SelfSize;
  int Len;
  std::vector<C> Want;
};
class ComplexAutoCorr : public ::testing::TestWithParam<TAutoCorrCase>
{
protected:
  TEntryOverride<TippsAutoCorr_64fc> FNormal{ippsAutoCorr_64fc, &TestAutoCorr64fc<0>};
  TEntryOverride<TippsAutoCorr_64fc> FNormA{ippsAutoCorr_NormA_64fc, &TestAutoCorr64fc<1>};
  TEntryOverride<TippsAutoCorr_64fc> FNormB{ippsAutoCorr_NormB_64fc, &TestAutoCorr64fc<2>};
};

TEST_P(ComplexAutoCorr, EntryAndLengths)
{
  const TAutoCorrCase& P = GetParam();
  TRef<TQDComplexBuffer> Self = TQDComplexBuffer::CreateValue({0, 0}, P.SelfSize);
  Self->AutoCorr(Cplx(P.Src), P.Type);
  EXPECT_STREQ(GCorr.Entry, P.Entry);
  EXPECT_EQ(GCorr.SrcLen, P.Len);
  EXPECT_EQ(GCorr.DstLen, P.Len);
  std::vector<C> Got = Values(Self);
  Got.resize(P.Want.size());
  EXPECT_THAT(Got, ComplexValuesNear(P.Want));
}

INSTANTIATE_TEST_SUITE_P(
    Buffers, ComplexAutoCorr,
    ::testing::Values(
        TAutoCorrCase{"Normal", actNormal, "Normal", {{1, 0}, {2, 0}, {3, 0}}, 3, 3, {{14, 0}, {8, 0}, {3, 0}}},
        TAutoCorrCase{"Biased", actBiased, "NormA", {{1, 0}, {2, 0}, {3, 0}}, 3, 3, {{14.0 / 3, 0}, {8.0 / 3, 0}, {1, 0}}},
        TAutoCorrCase{"Unbiased", actUnbiased, "NormB", {{1, 0}, {2, 0}, {3, 0}}, 3, 3, {{14.0 / 3, 0}, {4, 0}, {3, 0}}},
        // The source length is Self's: the rest of a longer source is not used.
        TAutoCorrCase{"LongerSource", actNormal, "Normal", {{1, 0}, {2, 0}, {3, 0}, {4, 0}}, 2, 2, {{5, 0}, {2, 0}}},
        // A shorter source is never read past its end.
        TAutoCorrCase{"ShorterSource", actNormal, "Normal", {{0, 1}, {1, 0}}, 4, 2, {{2, 0}, {0, -1}}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(ComplexAutoCorr, OfItselfReadsTheOldValues)
{
  TRef<TQDComplexBuffer> A = Cplx({{1, 0}, {2, 0}, {3, 0}});
  A->AutoCorr(A, actNormal);
  EXPECT_THAT(Values(A), ComplexValuesNear({{14, 0}, {8, 0}, {3, 0}}));
}

TEST(TQDComplexBuffer, CrossCorrPassesEveryLengthAndTheLag)
{
  TEntryOverride<TippsCrossCorr_64fc> Entry(ippsCrossCorr_64fc, &TestCrossCorr64fc);
  TRef<TQDComplexBuffer> Self = TQDComplexBuffer::CreateSize(3);
  TRef<TQDComplexBuffer> A = Cplx({{1, 0}, {0, 1}});
  TRef<TQDComplexBuffer> B = Cplx({{1, 0}, {2, 0}, {3, 0}, {4, 0}});
  Self->CrossCorr(A, B, -1);
  EXPECT_EQ(GCorr.SrcLen, 2);
  EXPECT_EQ(GCorr.Src2Len, 4);
  EXPECT_EQ(GCorr.DstLen, 3);
  EXPECT_EQ(GCorr.LowLag, -1);
  // Lag -1: conj(i) x 1; lag 0: 1 + conj(i) x 2; lag 1: 2 + conj(i) x 3.
  EXPECT_THAT(Values(Self), ComplexValuesNear({{0, -1}, {1, -2}, {2, -3}}));

  Self->CrossCorr(Self, B, 0);
  EXPECT_THAT(Values(Self), ComplexValuesNear({{0 + 2 + 6, 1 + 4 + 9}, {0 + 3 + 8, 2 + 6 + 12}, {0 + 4, 3 + 8}}))
      << "a source in Self's own memory is read before Self is written";
}

// ---------------------------------------------------------------------------
// Block buffer
// ---------------------------------------------------------------------------

struct TByteCase
{
  const char* Name;
  std::function<void(TQDBlockBuffer&, const TRef<IQDBlockBuffer>&)> Op;
  std::vector<Byte> Self, Right, Want;
};
class BlockOps : public ::testing::TestWithParam<TByteCase> {};

TEST_P(BlockOps, SaturatesAndCopiesFirst)
{
  const TByteCase& P = GetParam();
  TRef<TQDBlockBuffer> Self = Bytes(P.Self);
  TRef<TQDBlockBuffer> Other = TQDBlockBuffer::CreateCopy(Self);
  P.Op(*Self, Bytes(P.Right));
  EXPECT_EQ(Values(Self), P.Want);
  EXPECT_EQ(Values(Other), P.Self);
}

using TB = TQDBlockBuffer;
using RB = const TRef<IQDBlockBuffer>&;
INSTANTIATE_TEST_SUITE_P(
    Buffers, BlockOps,
    ::testing::Values(
        TByteCase{"AddSaturates", [](TB& S, RB R) { S.Add(R); }, {200, 10, 1}, {100, 5}, {255, 15, 1}},
        TByteCase{"SubtractSaturatesAtZero", [](TB& S, RB R) { S.Subtract(R); }, {5, 10}, {10, 3, 1}, {0, 7}},
        TByteCase{"MultiplySaturates", [](TB& S, RB R) { S.Multiply(R); }, {20, 3}, {20, 4}, {255, 12}},
        TByteCase{"DivideTruncates", [](TB& S, RB R) { S.Divide(R); }, {7, 200, 255}, {2, 10, 255}, {3, 20, 1}},
        TByteCase{"SetValue", [](TB& S, RB) { S.SetValue(0xAB); }, {1, 2}, {}, {0xAB, 0xAB}},
        TByteCase{"Zero", [](TB& S, RB) { S.Zero(); }, {1, 2, 3}, {}, {0, 0, 0}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(TQDBlockBuffer, DivideByZeroRaisesAfterTheElementsBeforeIt)
{
  TRef<TQDBlockBuffer> A = Bytes({9, 9, 9});
  ExpectError<EDivByZero>([&] { A->Divide(Bytes({3, 0, 3})); }, "Division by zero");
  EXPECT_THAT(Values(A), ::testing::ElementsAre(3, 9, 9));
}

TEST(TQDBlockBuffer, SetItemCopiesASharedBlockFirst)
{
  TRef<TQDBlockBuffer> A = Bytes({1, 2});
  TRef<TQDBlockBuffer> B = TQDBlockBuffer::CreateCopy(A);
  EXPECT_THROW(B->SetItem(2, 0), ERangeError);
  EXPECT_NE(BlockOf(A), BlockOf(B)) << "the copy is made even when the index then fails";
  B->SetItem(1, 7);
  EXPECT_THAT(Values(A), ::testing::ElementsAre(1, 2));
  EXPECT_THAT(Values(B), ::testing::ElementsAre(1, 7));
}

} // namespace
