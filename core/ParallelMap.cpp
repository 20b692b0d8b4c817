#include "ParallelMap.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#ifdef __linux__
#include <sched.h>
#endif

void parallelMap(qsizetype count, int workers, const std::function<void(qsizetype)>& work,
                 const std::function<bool(qsizetype)>& report) {
    if (workers <= 1 || count <= 1) {
        for (qsizetype i = 0; i < count; ++i) {
            work(i);
            if (!report(i))
                return;
        }
        return;
    }

    std::atomic<qsizetype> next{0};
    std::mutex mutex;
    std::condition_variable finished;
    std::vector<char> done(size_t(count), 0);
    const auto loop = [&] {
        for (qsizetype i; (i = next.fetch_add(1)) < count;) {
            work(i);
            {
                const std::lock_guard lock(mutex);
                done[size_t(i)] = 1;
            }
            finished.notify_all();
        }
    };
    std::vector<std::jthread> threads;
    const qsizetype threadCount = std::min<qsizetype>(workers, count);
    for (qsizetype t = 0; t < threadCount; ++t)
        threads.emplace_back(loop);

    for (qsizetype i = 0; i < count; ++i) {
        {
            std::unique_lock lock(mutex);
            finished.wait(lock, [&] { return done[size_t(i)] != 0; });
        }
        if (!report(i)) {
            next.store(count);
            break;
        }
    }
    // The jthreads join here: the work already started ends before the caller's slots go away.
}

int defaultWorkerCount() {
#ifdef __linux__
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0)
        return CPU_COUNT(&allowed);
#endif
    return int(std::max(1u, std::thread::hardware_concurrency()));
}
