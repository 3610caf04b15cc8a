// Elapsed wall-clock time from the performance counter, in milliseconds.
#pragma once

#include <windows.h>

namespace bench {

class Stopwatch {
  public:
    Stopwatch() { QueryPerformanceCounter(&start_); }

    double ElapsedMs() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start_.QuadPart) * 1000.0 /
               static_cast<double>(Frequency());
    }

  private:
    static LONGLONG Frequency() {
        static const LONGLONG frequency = [] {
            LARGE_INTEGER value;
            QueryPerformanceFrequency(&value);
            return value.QuadPart;
        }();
        return frequency;
    }

    LARGE_INTEGER start_;
};

}  // namespace bench
