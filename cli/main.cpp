// squozen: the command-line tool over the movie engine.
#include <cstdio>
#include <string>
#include <vector>

#include "console.h"
#include "squozen_tool.h"

int main(int argc, char** argv) {
    std::vector<std::string> args;
    std::string unnamed;
    // An argument that cannot be named to the engine is refused: left out, the next one would take its place.
    if (!sqzcli::ProgramArguments(argc, argv, &args, &unnamed))
        return sqzcli::UsageError(
            "argument '" + unnamed + "': the ANSI code page cannot hold it and it has no short name that it holds",
            stderr);
    return sqzcli::RunSquozen(args, stdout, stderr);
}
