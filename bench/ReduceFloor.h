// The floors the reductions are measured against: plain long double loops in
// the same summation order as the built-ins (so with the same results),
// compiled in their own file with everything this machine offers.
#pragma once

double FloorMean(const double* Src, int Len);
double FloorStdDev(const double* Src, int Len);
double FloorDotProd(const double* Src1, const double* Src2, int Len);
double FloorMaxIndx(const double* Src, int Len, int* Index);
double FloorNormDiffInf(const double* Src1, const double* Src2, int Len);
