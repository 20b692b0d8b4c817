#pragma once

#include "engine/JobEnv.h"

#include <QList>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <vector>

// The files one step of a batch reads and writes (full paths; a file that is rewritten in place is in
// both lists).
struct StepFiles {
    QStringList reads;
    QStringList writes;
};

// Which steps of a parallel batch must run on the calling thread, one after the other in the order
// given, before the others start: those that share a file with another step (one file by device and
// inode, links followed; a file still to be created by its path), and those that create a file that
// is there already, or that an earlier step creates (their overwrite question is asked then, in plan
// order, as a batch of one worker asks it). The others touch files no other step touches.
std::vector<bool> stepsInOrder(qsizetype count, const std::function<StepFiles(qsizetype)>& files);

// Runs one batch's per-file step for the files 0..count-1 and gives back the indexes of the files
// that a stop request left untouched (in order), for the caller's "not processed" rows.
//
// With state.Workers at 1 (the windows always) the steps run one after the other with the batch's
// own env, as a plain loop would, letting events run and looking for a stop before each file. With
// more, the batch is planned first (stepsInOrder, over `files`): the steps that must keep their order
// or may ask a question run first on the calling thread, in order, with the batch's prompt; then each
// other file's step runs on a worker thread with an env of its own: a copy of the state and no
// questions (a step that would ask one after all, because a file appeared meanwhile, is thrown away:
// it answered No, so it changed nothing; it runs again in its turn on the calling thread). Every
// step's rows are kept back and handed to the batch's sink in file order, so the rows, the questions
// and the files written are those of one worker (the bar counts finished files). The batch's backup
// folder is opened before the workers start, so that every file backs up into the one folder, and
// removed again when nothing went into it.
//
// The step reports through env.sink and keeps what it shares with other files (totals) in per-file
// slots that the caller adds up afterwards.
QList<qsizetype> forEachFile(JobEnv& env, qsizetype count, const std::function<StepFiles(qsizetype index)>& files,
                             const std::function<void(JobEnv& env, qsizetype index)>& step);
