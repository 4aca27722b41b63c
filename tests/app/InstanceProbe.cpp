// A stand-in for a second copy of the program in the single-instance tests: it runs the start-up's
// own check and then either ends at once (exit code 3: another copy runs) or reports "running" and
// stays until its standard input closes.
#include "app/Startup.h"
#include "sys/Process.h"

#include <cstdio>
#include <unistd.h>

int main() {
    TSingleInstanceLock lock;
    if (AnotherCopyRuns(GetExecutablePath(), lock)) return 3;
    std::printf("running\n");
    std::fflush(stdout);
    char c;
    while (::read(0, &c, 1) > 0) {
    }
    return 0;
}
