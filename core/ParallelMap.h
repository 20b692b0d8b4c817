#pragma once

#include <QtGlobal>
#include <functional>

// Runs `work(i)` for every index 0..count-1 on up to `workers` threads and hands the indexes to
// `report(i)` on the calling thread, in index order: report(i) runs once work(i) and every report
// before it are done. When report() returns false no further work starts, the work already started
// finishes, and no further index is reported. With one worker (or one index) work and report
// alternate on the calling thread, work(0), report(0), work(1), ..., as a plain loop would.
//
// The workers write for the calling thread's batch (DurableWrites).
//
// work() must not touch what belongs to the calling thread (Qt objects that are not thread-safe,
// the program-wide state, the prompt or the sink): it leaves what it finds where the caller keeps
// a slot per index, and report() does everything else.
void parallelMap(qsizetype count, int workers, const std::function<void(qsizetype)>& work,
                 const std::function<bool(qsizetype)>& report);

// Streams pieces of work of unknown number through `workers` threads while the calling thread makes
// them and takes them back in order: produce(slot) fills one of `slots` slots on the calling thread
// (false: there is nothing more), work(slot) runs on a worker thread, and consume(slot) gets the
// slots back on the calling thread in the order they were produced, each once its work is done. At
// most `slots` pieces are under way at a time, so memory stays bounded whatever the number of pieces.
// When consume() gives false nothing more is produced, worked on or consumed; the work already
// started finishes before the call returns. With one worker or one slot it is a plain loop on the
// calling thread: produce, work, consume, produce, ...
//
// work() touches nothing but its slot and what is safe to share between threads.
void streamInOrder(int workers, int slots, const std::function<bool(int)>& produce,
                   const std::function<void(int)>& work, const std::function<bool(int)>& consume);

// The default number of workers: one per core the program may run on.
int defaultWorkerCount();
