#include "ReduceFloor.h"

#include <cmath>

double FloorMean(const double* Src, int Len)
{
  long double Even = 0, Odd = 0;
  int I = 0;
  for (; I + 4 <= Len; I += 4) {
    Even += Src[I];
    Odd += Src[I + 1];
    Even += Src[I + 2];
    Odd += Src[I + 3];
  }
  for (; I < Len; ++I)
    Even += Src[I];
  return double((Even + Odd) / Len);
}

double FloorStdDev(const double* Src, int Len)
{
  long double Even1 = 0, Odd1 = 0, Even2 = 0, Odd2 = 0;
  int I = 0;
  for (; I + 4 <= Len; I += 4) {
    const long double X0 = Src[I], X1 = Src[I + 1], X2 = Src[I + 2], X3 = Src[I + 3];
    Even1 += X0;
    Even2 += X0 * X0;
    Odd1 += X1;
    Odd2 += X1 * X1;
    Even1 += X2;
    Even2 += X2 * X2;
    Odd1 += X3;
    Odd2 += X3 * X3;
  }
  for (; I < Len; ++I) {
    const long double X = Src[I];
    Even1 += X;
    Even2 += X * X;
  }
  const long double S1 = Even1 + Odd1, S2 = Even2 + Odd2, N = Len;
  const long double F = N * S2 - S1 * S1;
  return F > 0 ? double(std::sqrt(F / (N * (N - 1)))) : 0.0;
}

double FloorDotProd(const double* Src1, const double* Src2, int Len)
{
  long double Sum = 0;
  for (int I = 0; I < Len; ++I)
    Sum += (long double)Src1[I] * Src2[I];
  return double(Sum);
}

double FloorMaxIndx(const double* Src, int Len, int* Index)
{
  double Best = Src[0];
  int At = 0;
  for (int I = 1; I < Len; ++I)
    if (Src[I] > Best) {
      Best = Src[I];
      At = I;
    }
  *Index = At;
  return Best;
}

double FloorNormDiffInf(const double* Src1, const double* Src2, int Len)
{
  long double Best = 0;
  for (int I = 0; I < Len; ++I) {
    const long double D = std::fabs((long double)Src1[I] - Src2[I]);
    if (D > Best)
      Best = D;
  }
  return double(Best);
}
