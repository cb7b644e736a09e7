// Times TPhoneTax::Calculate, which runs on the main thread with no event
// pumping: a call of the longest length a 16-bit count allowed (65,534 minutes,
// about 45 days) must take well under a millisecond, and a typical call far less.
//
// Build in Release for meaningful figures:
//   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release
//   cmake --build build-release --target bench_phonetax && build-release/bench/bench_phonetax

#include "components/PhoneTax.h"
#include "platform/Platform.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

class FixedClock final : public platform::IClock {
public:
    double Now() override { return EncodeDateTime(2005, 3, 14, 10, 30, 30); }
    bool SetLocalTime(double, std::string& error) override
    {
        error = "benchmark";
        return false;
    }
};

volatile qint64 g_sink = 0;

struct Figure {
    double medianMicroseconds;
    double minMicroseconds;
    double maxMicroseconds;
};

// The median over `rounds` rounds of the time per Calculate, each round
// timing `perRound` calls in a row.
Figure Measure(TPhoneTax& tax, int rounds, int perRound)
{
    using Clock = std::chrono::steady_clock;
    for (int i = 0; i < perRound; ++i) // warm up
        tax.Calculate();
    std::vector<double> times;
    times.reserve(size_t(rounds));
    for (int r = 0; r < rounds; ++r) {
        const auto begin = Clock::now();
        for (int i = 0; i < perRound; ++i) {
            tax.Calculate();
            g_sink = g_sink + tax.Custo().Raw();
        }
        const auto end = Clock::now();
        times.push_back(std::chrono::duration<double, std::micro>(end - begin).count() / perRound);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), times.back()};
}

// A target of 0 prints the figure without one.
void Report(const char* what, const Figure& f, double targetMicroseconds, bool& allMet)
{
    std::printf("%-38s median %9.3f us  (min %9.3f, max %9.3f)", what, f.medianMicroseconds, f.minMicroseconds,
                f.maxMicroseconds);
    if (targetMicroseconds > 0) {
        const bool met = f.medianMicroseconds < targetMicroseconds;
        allMet = allMet && met;
        std::printf("  target < %.0f us: %s", targetMicroseconds, met ? "met" : "NOT MET");
    } else {
        std::printf("  (no target)");
    }
    std::printf("\n");
}

// Sets both bounds in an order the guarded writes accept; false if they did not take.
bool SetCall(TPhoneTax& tax, TDateTime start, TDateTime end)
{
    tax.SetFimConexao(std::max(end, tax.FimConexao()));
    tax.SetInicioConexao(start);
    tax.SetFimConexao(end);
    if (tax.InicioConexao() == start && tax.FimConexao() == end)
        return true;
    std::fprintf(stderr, "the call's bounds were not taken\n");
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    FixedClock clock;
    TPhoneTax tax(clock);
    tax.SetValorPulso(Currency::FromRaw(1159));
    tax.SetMinPorPulso(4);

    bool allMet = true;

    // 65,534 started minutes beginning on a weekday afternoon, crossing the
    // Carnival and Good Friday holidays of 2005.
    const TDateTime longStart = EncodeDateTime(2005, 2, 1, 13, 50, 0);
    if (!SetCall(tax, longStart, longStart + 65533.5 * OneMinute))
        return 1;
    Report("Calculate, 65,534-minute call", Measure(tax, 101, 200), 1000.0, allMet);

    // A typical evening session.
    const TDateTime typicalStart = EncodeDateTime(2005, 3, 14, 19, 45, 10);
    if (!SetCall(tax, typicalStart, typicalStart + 30 * OneMinute))
        return 1;
    Report("Calculate, 30-minute call", Measure(tax, 101, 2000), 1000.0, allMet);

    // For scale only: a year-long call.
    const TDateTime yearStart = EncodeDateTime(2006, 1, 1, 0, 0, 0);
    if (!SetCall(tax, yearStart, yearStart + 365.0))
        return 1;
    Report("Calculate, 365-day call", Measure(tax, 31, 20), 0, allMet);

    std::printf("%s\n", allMet ? "All targets met." : "Some targets NOT met.");
    return 0;
}
