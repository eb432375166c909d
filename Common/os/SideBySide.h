// Runs one task per item on a few threads at once, for work that is mostly
// waiting for a printer. Each thread takes the next item not yet taken, so a
// slow item holds up only its own thread; the calling thread works too, and
// one thread start fewer is paid per call.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

// Calls work(i) once for every i below count, at most width at a time (width
// 0 counts as 1). Returns when every call has returned. When no thread can be
// started, the threads running (at least the caller) share the rest. The
// first exception a call throws is thrown again here, after all threads are
// joined; the calls not yet begun by then still run.
template <class Work> void runSideBySide(size_t count, size_t width, Work work) {
    std::atomic<size_t> next(0);
    std::mutex failureLock;
    std::exception_ptr failure;
    auto drain = [&] {
        for (size_t i = next++; i < count; i = next++) {
            try {
                work(i);
            } catch (...) {
                std::lock_guard<std::mutex> guard(failureLock);
                if (!failure)
                    failure = std::current_exception();
            }
        }
    };
    std::vector<std::thread> helpers;
    const size_t extra = std::min(std::max<size_t>(width, 1), count);
    try {
        for (size_t t = 1; t < extra; ++t)
            helpers.emplace_back(drain);
    } catch (...) {
        // No more threads: the ones started and the caller do the rest.
    }
    drain();
    for (std::thread& helper : helpers)
        helper.join();
    if (failure)
        std::rethrow_exception(failure);
}
