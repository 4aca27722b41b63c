// Speed of the text formatting every screen refresh and every print row goes through.
#include "rtl/DateUtils.h"
#include "rtl/IniFiles.h"
#include "rtl/SysUtils.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include <stdlib.h>
#include <unistd.h>

namespace {

const char* const kFloatFormats[] = {
    "###0.0", "# ##0.0 %", "##0%", "# ### ##0.0 ;-# ### ##0.0 ;  ;", "#,##0.00", "0.00E+00",
};

void BM_FormatFloat(benchmark::State& state) {
    const AnsiString fmt = kFloatFormats[state.range(0)];
    double v = 1234.5678;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatFloat(fmt, v));
        v += 0.37;
    }
    state.SetLabel(fmt.str());
}
BENCHMARK(BM_FormatFloat)->DenseRange(0, 5);

void BM_FloatToStr(benchmark::State& state) {
    double v = 1234.5678;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FloatToStr(v));
        v += 0.37;
    }
}
BENCHMARK(BM_FloatToStr);

// The C library's fixed formatting, as a yardstick for the ratios.
void BM_SnprintfFixed(benchmark::State& state) {
    double v = 1234.5678;
    char buf[64];
    for (auto _ : state) {
        std::snprintf(buf, sizeof buf, "%.1f", v);
        benchmark::DoNotOptimize(buf);
        v += 0.37;
    }
}
BENCHMARK(BM_SnprintfFixed);

const char* const kDateFormats[] = {
    "hh:nn:ss", "dd.mm.yyyy hh:nn", "yyyy-mm-dd hh:nn:ss", "dd mmm yyyy в hh:nn:ss",
};

void BM_FormatDateTime(benchmark::State& state) {
    const AnsiString fmt = kDateFormats[state.range(0)];
    TDateTime t = EncodeDateTime(2024, 3, 1, 7, 0, 0, 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatDateTime(fmt, t));
        t += OneMinute;
    }
    state.SetLabel(fmt.str());
}
BENCHMARK(BM_FormatDateTime)->DenseRange(0, 3);

void BM_DecodeDateTime(benchmark::State& state) {
    TDateTime t = EncodeDateTime(2024, 3, 1, 7, 0, 0, 0);
    int y, mo, d, h, mi, s, ms;
    for (auto _ : state) {
        DecodeDateTime(t, y, mo, d, h, mi, s, ms);
        benchmark::DoNotOptimize(ms);
        t += OneMinute;
    }
}
BENCHMARK(BM_DecodeDateTime);

}  // namespace

// The last key of a section of n keys in a file held in memory: a lookup walks the section once, so
// the time grows with n (not with n squared); compare the per-lookup times of the two sizes.
void BM_IniLastKeyOfSection(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    char path[] = "/tmp/plantmon-bench-ini-XXXXXX";
    const int fd = mkstemp(path);
    std::string text = "[Точки]\r\n";
    for (int i = 0; i < n; ++i) text += "Точка" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    if (fd >= 0) {
        [[maybe_unused]] ssize_t w = write(fd, text.data(), text.size());
        close(fd);
    }
    TMemIniFile ini(path);
    const AnsiString last = "точка" + AnsiString(std::to_string(n - 1));
    for (auto _ : state) benchmark::DoNotOptimize(ini.ReadString("ТОЧКИ", last, ""));
    unlink(path);
}
BENCHMARK(BM_IniLastKeyOfSection)->Arg(1000)->Arg(8000);

BENCHMARK_MAIN();
