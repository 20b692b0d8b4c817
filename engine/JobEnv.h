#pragma once

class AppState;
class ProgressSink;
class Prompt;
class Clock;

// What a batch works with: the program-wide values, where rows go, who answers questions, and the
// clock that names the backup folders.
struct JobEnv {
    AppState& state;
    ProgressSink& sink;
    Prompt& prompt;
    const Clock& clock;
};
