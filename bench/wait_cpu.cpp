// Measures what a 3 s Timer.Wait with events costs: prints the share of one
// core the process used as its last line ("cpu-share 0.004").
#include <QCoreApplication>
#include <cstdio>
#include <ctime>

#include "Tickard/Timer.h"
#include "Tickard/TimerEvent.h"

namespace {
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // A periodic event runs during the wait, as the printer library's parser does.
    auto tick = Automation::New<Tickard::TimerEvent>();
    int ticks = 0;
    auto connection = tick->Timer.connect([&] { ++ticks; });
    tick->setInterval(100);
    tick->setEnabled(true);

    auto timer = Automation::New<Tickard::Timer>();
    double cpuBefore = cpuSeconds();
    timer->Wait(3000, true);
    double cpu = cpuSeconds() - cpuBefore;
    double wall = timer->Elapsed() / 1000.0;
    std::printf("waited %.3f s, %d timer events\n", wall, ticks);
    std::printf("cpu-share %.3f\n", cpu / wall);
    return 0;
}
