#pragma once

// The one clock and median of the benchmarks that time themselves (those under Google Benchmark
// are timed by it), and the peak memory they print beside their times.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace bench {

class Stopwatch {
public:
    Stopwatch() : m_start(Clock::now()) {}
    void restart() { m_start = Clock::now(); }
    double ms() const {
        return std::chrono::duration<double, std::milli>(Clock::now() - m_start).count();
    }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point m_start;
};

// Times of one measurement over several runs; the median is what gets printed, as it is
// the figure least moved by the other work on a shared machine.
class Samples {
public:
    void add(double ms) { m_times.push_back(ms); }
    int count() const { return static_cast<int>(m_times.size()); }
    double median() const {
        if (m_times.empty())
            return 0;
        std::vector<double> sorted = m_times;
        std::sort(sorted.begin(), sorted.end());
        const size_t middle = sorted.size() / 2;
        return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    }

private:
    std::vector<double> m_times;
};

// The median time of `timed` over `runs` runs, each after an untimed `prepare`.
template <typename Prepare, typename Timed>
double medianMs(int runs, Prepare &&prepare, Timed &&timed) {
    Samples samples;
    for (int i = 0; i < runs; ++i) {
        prepare();
        const Stopwatch clock;
        timed();
        samples.add(clock.ms());
    }
    return samples.median();
}

template <typename Timed> double medianMs(int runs, Timed &&timed) {
    return medianMs(
        runs, [] {}, timed);
}

// The most memory this process has had resident so far, in MB.
inline double peakResidentMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The memory resident now, in MB (0 when /proc is not there).
inline double residentMb() {
    long pages = 0, resident = 0;
    if (std::FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

} // namespace bench
