#include "rtl/MathUtils.h"

#include "rtl/DateUtils.h"

#include <cmath>
#include <mutex>

namespace {

[[noreturn]] void invalidOp() { throw EInvalidOp("Недопустимая операция с плавающей точкой"); }

// 2^63 is exactly representable; anything at or beyond it does not fit a long long.
constexpr double kTwo63 = 9223372036854775808.0;

long long checkedToInt(double v) {
    if (!std::isfinite(v) || v >= kTwo63 || v < -kTwo63) invalidOp();
    return static_cast<long long>(v);
}

}  // namespace

long long Trunc(double v) { return checkedToInt(std::trunc(v)); }

long long Round(double v) {
    if (!std::isfinite(v)) invalidOp();
    // nearbyint honours the default rounding mode: to nearest, ties to even.
    return checkedToInt(std::nearbyint(v));
}

double Int(double v) { return std::trunc(v); }
double Frac(double v) { return v - std::trunc(v); }
long long Ceil(double v) { return checkedToInt(std::ceil(v)); }
long long Floor(double v) { return checkedToInt(std::floor(v)); }

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    long long p = static_cast<long long>(a) * b;
    long long q = p / c, r = p % c;
    // Round half away from zero.
    long long twice = r < 0 ? -2 * r : 2 * r;
    long long ac = c < 0 ? -static_cast<long long>(c) : c;
    if (twice >= ac) q += ((p < 0) != (c < 0)) ? -1 : 1;
    if (q > INT32_MAX || q < INT32_MIN) return -1;
    return static_cast<int>(q);
}

double IntPower(double base, int exponent) {
    double result = 1.0, b = base;
    long long e = exponent;
    bool neg = e < 0;
    if (neg) e = -e;
    while (e > 0) {
        if (e & 1) result *= b;
        b *= b;
        e >>= 1;
    }
    if (neg) {
        if (result == 0) throw EZeroDivide("Деление на ноль");
        result = 1.0 / result;
    }
    return result;
}

double Power(double base, double exponent) {
    if (exponent == std::trunc(exponent) && std::fabs(exponent) < 2147483648.0)
        return IntPower(base, static_cast<int>(exponent));
    if (base < 0) invalidOp();
    return std::pow(base, exponent);
}

double Log10(double v) {
    if (std::isnan(v) || v < 0) invalidOp();
    if (v == 0) throw EZeroDivide("Деление на ноль");
    return std::log10(v);
}

double SimpleRoundTo(double v, int digits) {
    double f = IntPower(10.0, -digits);
    double scaled = v * f;
    double r = scaled < 0 ? -std::floor(-scaled + 0.5) : std::floor(scaled + 0.5);
    return r / f;
}

int Sign(double v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

long long Div(long long a, long long b) {
    if (b == 0) throw EDivByZero("Деление на ноль");
    if (a == INT64_MIN && b == -1) throw EIntOverflow("Переполнение целого");
    return a / b;
}

long long Mod(long long a, long long b) {
    if (b == 0) throw EDivByZero("Деление на ноль");
    if (b == -1) return 0;
    return a % b;
}

// ---- Random numbers ------------------------------------------------------------------------------

namespace {
// A 32-bit linear congruential generator: small, fast and reproducible from one seed.
struct Generator {
    std::mutex m;
    std::uint32_t seed = 0;
    std::uint32_t next() {
        seed = seed * 134775813u + 1u;
        return seed;
    }
};

Generator& gen() {
    static Generator g;
    return g;
}
}  // namespace

double Random() {
    Generator& g = gen();
    std::lock_guard<std::mutex> lock(g.m);
    return static_cast<double>(g.next()) / 4294967296.0;
}

int Random(int range) {
    if (range <= 0) return 0;
    Generator& g = gen();
    std::lock_guard<std::mutex> lock(g.m);
    return static_cast<int>((static_cast<std::uint64_t>(g.next()) * static_cast<std::uint64_t>(range)) >> 32);
}

void Randomize() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    SetRandSeed(static_cast<std::uint32_t>(ts.tv_sec * 1000003u) ^ static_cast<std::uint32_t>(ts.tv_nsec));
}

void SetRandSeed(std::uint32_t seed) {
    Generator& g = gen();
    std::lock_guard<std::mutex> lock(g.m);
    g.seed = seed;
}

std::uint32_t RandSeed() {
    Generator& g = gen();
    std::lock_guard<std::mutex> lock(g.m);
    return g.seed;
}

double RandG(double mean, double stdDev) {
    double u1, u2, s;
    do {
        u1 = 2 * Random() - 1;
        u2 = 2 * Random() - 1;
        s = u1 * u1 + u2 * u2;
    } while (s >= 1 || s == 0);
    return std::sqrt(-2 * std::log(s) / s) * u1 * stdDev + mean;
}
