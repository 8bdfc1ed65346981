// The command-line tool squozen: reads its command line and runs info, test or optimize over the engine.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace sqzcli {

// Runs the tool with the arguments that follow the program name, writing results to `out` and messages (usage
// errors, the progress line when `err` is a terminal, the failure count) to `err`. Returns the exit code: 0 when
// every file succeeded or was skipped for a stated reason, 1 when any file failed or the run was interrupted, 2
// for a usage error.
int RunSquozen(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

// Writes the usage error `error` to `err` as the tool writes every usage error, with where to read more; returns 2,
// the exit code of a usage error.
int UsageError(const std::string& error, std::FILE* err);

}  // namespace sqzcli
