#pragma once

// SIGINT and SIGTERM ask the running batch to stop at its next safe point instead of killing the
// program in the middle of a file: the file in work stays as it was, every other file is old or new,
// and the program still removes its working file before it exits with 128 + the signal's number.
// A second signal of the same kind ends the program at once.
namespace CliStop {

void install();
// The signal that asked for a stop, 0 when none came.
int signalNumber();

} // namespace CliStop
