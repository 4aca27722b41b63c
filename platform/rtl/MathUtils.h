// Checked number conversions, integer helpers and the random generator.
//
// Trunc and Round throw EInvalidOp on NaN, infinity and values outside the 64-bit range instead of
// giving an undefined result, so a guard around a computation (a paint that beeps on error) sees
// the fault. Log10 and the integer division helpers throw likewise.
#pragma once

#include "rtl/SysUtils.h"

#include <cstdint>
#include <type_traits>

// Towards zero.
long long Trunc(double v);
// To the nearest integer, a tie to the even one (2.5 -> 2, 3.5 -> 4).
long long Round(double v);
double Int(double v);   // integer part as a double
double Frac(double v);  // v - Int(v), keeps the sign
long long Ceil(double v);
long long Floor(double v);

// a * b / c computed in 64 bits and rounded half away from zero; -1 when c is 0 or the result does
// not fit 32 bits.
int MulDiv(int a, int b, int c);
double IntPower(double base, int exponent);
double Power(double base, double exponent);  // EInvalidOp for a negative base with a fractional exponent
double Log10(double v);                      // EZeroDivide for 0, EInvalidOp below 0
// Rounds to a power of ten (digits -2: hundredths), half away from zero.
double SimpleRoundTo(double v, int digits = -2);
int Sign(double v);  // -1, 0 or 1

template <class A, class B>
constexpr std::common_type_t<A, B> Min(A a, B b) {
    return b < a ? static_cast<std::common_type_t<A, B>>(b) : static_cast<std::common_type_t<A, B>>(a);
}
template <class A, class B>
constexpr std::common_type_t<A, B> Max(A a, B b) {
    return a < b ? static_cast<std::common_type_t<A, B>>(b) : static_cast<std::common_type_t<A, B>>(a);
}
template <class T>
constexpr T EnsureRange(T v, T lo, T hi) {
    return v < lo ? lo : hi < v ? hi : v;
}

// Integer division and remainder truncating towards zero; EDivByZero for a zero divisor.
long long Div(long long a, long long b);
long long Mod(long long a, long long b);

// ---- Random numbers ------------------------------------------------------------------------------
// One process-wide generator, safe to call from any thread. The same seed gives the same sequence.
double Random();          // uniform on [0, 1)
int Random(int range);    // uniform on 0 .. range-1 (0 when range <= 0)
void Randomize();         // seeds from the clock
void SetRandSeed(std::uint32_t seed);
std::uint32_t RandSeed();
// Normally distributed with the given mean and standard deviation (Marsaglia's polar method on
// Random()).
double RandG(double mean, double stdDev);
