// What the benchmark programs of the screens share: a main() that runs the benchmarks inside the
// application (off screen unless QT_QPA_PLATFORM names a platform), and the station configuration
// the benchmarks that start a main window give it. Included after the program's headers: the
// toolkit's keyword macros (slots, signals) would clash with names in them.
#pragma once

#include "gui/Forms.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <functional>
#include <vector>

// What the benchmarks built once for the whole run (a main window, a screen) is freed when the benchmarks
// are done, while the application still stands: freed at static destruction, after it, forms crash.
inline std::vector<std::function<void()>>& BenchTeardowns() {
    static std::vector<std::function<void()>> teardowns;
    return teardowns;
}

// One T for the whole run, built on first use and freed by RunGuiBenchmarks.
template <class T>
T& BenchStation() {
    static T* station = nullptr;
    if (!station) {
        station = new T();
        BenchTeardowns().push_back([] {
            delete station;
            station = nullptr;
        });
    }
    return *station;
}

// Needs no login and starts no link thread; the server it names is not there.
inline const char* const BenchStationIni = "[main]\r\nLanClientMode=1\r\n[MySQL]\r\nSavePassword=1\r\nComp=127.0.0.1:1\r\n";

// Runs the benchmarks the command line asks for with a QApplication and the class library's
// Application in place.
inline int RunGuiBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Application->Initialize();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (auto it = BenchTeardowns().rbegin(); it != BenchTeardowns().rend(); ++it) (*it)();
    BenchTeardowns().clear();
    return 0;
}
