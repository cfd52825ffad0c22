#include "PrimitivesFloor.h"

#include <cmath>

void FloorAdd_I(const double* Src, double* SrcDst, int Len)
{
  for (int I = 0; I < Len; ++I)
    SrcDst[I] += Src[I];
}

void FloorMul_I(const double* Src, double* SrcDst, int Len)
{
  for (int I = 0; I < Len; ++I)
    SrcDst[I] *= Src[I];
}

void FloorMulC_I(double Val, double* SrcDst, int Len)
{
  for (int I = 0; I < Len; ++I)
    SrcDst[I] *= Val;
}

void FloorAddC_I(double Val, double* SrcDst, int Len)
{
  for (int I = 0; I < Len; ++I)
    SrcDst[I] += Val;
}

void FloorSet(double Val, double* Dst, int Len)
{
  for (int I = 0; I < Len; ++I)
    Dst[I] = Val;
}

void FloorZero(double* Dst, int Len)
{
  for (int I = 0; I < Len; ++I)
    Dst[I] = 0.0;
}

void FloorCopy(const double* Src, double* Dst, int Len)
{
  for (int I = 0; I < Len; ++I)
    Dst[I] = Src[I];
}

void FloorConvert64f32f(const double* Src, float* Dst, int Len)
{
  for (int I = 0; I < Len; ++I)
    Dst[I] = static_cast<float>(Src[I]);
}

void FloorAbs(const double* Src, double* Dst, int Len)
{
  for (int I = 0; I < Len; ++I)
    Dst[I] = std::fabs(Src[I]);
}

void FloorSqr(const double* Src, double* Dst, int Len)
{
  for (int I = 0; I < Len; ++I)
    Dst[I] = Src[I] * Src[I];
}

void FloorSqrt(const double* Src, double* Dst, int Len)
{
  for (int I = 0; I < Len; ++I)
    Dst[I] = std::sqrt(Src[I]);
}
