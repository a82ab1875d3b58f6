#pragma once

#include <atomic>

// The last diagnostic checkpoint reached, printed into error texts ("(E:102#%d)").
// A conversion may run on a worker thread while the window reads nothing but its own widgets, so
// one relaxed atomic is all the synchronisation it needs (and stays safe to read in a signal handler).
class CStepCode {
public:
    static void Set(int code) { current.store(code, std::memory_order_relaxed); }
    static int Get() { return current.load(std::memory_order_relaxed); }

private:
    static inline std::atomic<int> current{0};
};
