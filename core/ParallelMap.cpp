#include "ParallelMap.h"

#include "platform/DurableWrites.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
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
    // The workers write for the batch of the thread that started them.
    const auto loop = [&, batch = DurableWrites::current()] {
        const DurableWrites::Adopt adopt(batch);
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

void streamInOrder(int workers, int slotCount, const std::function<bool(int)>& produce,
                   const std::function<void(int)>& work, const std::function<bool(int)>& consume) {
    if (workers <= 1 || slotCount <= 1) {
        while (produce(0)) {
            work(0);
            if (!consume(0))
                return;
        }
        return;
    }

    std::mutex mutex;
    std::condition_variable queued;   // a slot waits for a worker, or the workers may leave
    std::condition_variable finished; // a slot's work is done
    std::deque<int> waiting;          // produced, not taken by a worker yet
    std::vector<char> done(size_t(slotCount), 0);
    bool closing = false;
    const auto loop = [&, batch = DurableWrites::current()] {
        const DurableWrites::Adopt adopt(batch);
        for (;;) {
            int slot = 0;
            {
                std::unique_lock lock(mutex);
                queued.wait(lock, [&] { return closing || !waiting.empty(); });
                if (closing)
                    return;
                slot = waiting.front();
                waiting.pop_front();
            }
            work(slot);
            {
                const std::lock_guard lock(mutex);
                done[size_t(slot)] = 1;
            }
            finished.notify_all();
        }
    };
    std::vector<std::jthread> threads;
    for (int t = 0; t < workers; ++t)
        threads.emplace_back(loop);

    std::vector<int> free;
    for (int slot = slotCount - 1; slot >= 0; --slot)
        free.push_back(slot);
    std::deque<int> inOrder; // produced, not consumed yet
    bool more = true;
    for (;;) {
        while (more && !free.empty()) {
            const int slot = free.back();
            if (!produce(slot)) {
                more = false;
                break;
            }
            free.pop_back();
            inOrder.push_back(slot);
            {
                const std::lock_guard lock(mutex);
                done[size_t(slot)] = 0;
                waiting.push_back(slot);
            }
            queued.notify_one();
        }
        if (inOrder.empty())
            break;
        const int slot = inOrder.front();
        inOrder.pop_front();
        {
            std::unique_lock lock(mutex);
            finished.wait(lock, [&] { return done[size_t(slot)] != 0; });
        }
        if (!consume(slot))
            break;
        free.push_back(slot);
    }
    {
        const std::lock_guard lock(mutex);
        closing = true;
        waiting.clear();
    }
    queued.notify_all();
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
