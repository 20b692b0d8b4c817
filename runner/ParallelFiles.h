#pragma once

#include "engine/JobEnv.h"

#include <QList>
#include <QtGlobal>
#include <functional>

// Runs one batch's per-file step for the files 0..count-1 and gives back the indexes of the files
// that a stop request left untouched (in order), for the caller's "not processed" rows.
//
// With state.Workers at 1 (the windows always) the steps run one after the other with the batch's
// own env, as a plain loop would, letting events run and looking for a stop before each file. With
// more, each file's step runs on a worker thread with an env of its own: a copy of the state, rows
// kept back and handed to the batch's sink in file order (the bar then counts finished files), and
// no questions: a step that would ask one is thrown away (it answered No, so it changed nothing)
// and run again in its turn on the calling thread, where the question is asked. The batch's backup
// folder is opened before the workers start, so that every file backs up into the one folder, and
// removed again when nothing went into it.
//
// The step reports through env.sink and keeps what it shares with other files (totals) in per-file
// slots that the caller adds up afterwards.
QList<qsizetype> forEachFile(JobEnv& env, qsizetype count,
                             const std::function<void(JobEnv& env, qsizetype index)>& step);
