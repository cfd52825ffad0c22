// The floors the element-wise entries are measured against: the same
// operation as a plain loop, compiled with -O3 -march=native in its own file
// (what this machine's memory and vector units allow).
#pragma once

void FloorAdd_I(const double* Src, double* SrcDst, int Len);
void FloorMul_I(const double* Src, double* SrcDst, int Len);
void FloorMulC_I(double Val, double* SrcDst, int Len);
void FloorAddC_I(double Val, double* SrcDst, int Len);
void FloorSet(double Val, double* Dst, int Len);
void FloorZero(double* Dst, int Len);
void FloorCopy(const double* Src, double* Dst, int Len);
void FloorConvert64f32f(const double* Src, float* Dst, int Len);
void FloorAbs(const double* Src, double* Dst, int Len);
void FloorSqr(const double* Src, double* Dst, int Len);
void FloorSqrt(const double* Src, double* Dst, int Len);
