// squozen: the command-line tool over the movie engine.
#include <cstdio>
#include <string>
#include <vector>

#include "console.h"
#include "inputs.h"
#include "squozen_tool.h"

int main(int argc, char** argv) {
    std::vector<std::string> leftOut;
    std::vector<std::string> args = sqzcli::ProgramArguments(argc, argv, &leftOut);
    // An argument that cannot be named to the engine is reported and the run goes on without it, as a failed file.
    for (const std::string& arg : leftOut)
        std::fprintf(stderr, "squozen: %s: %s\n", arg.c_str(), sqzcli::LeftOutReason(1).c_str());
    int code = sqzcli::RunSquozen(args, stdout, stderr);
    return code == 0 && !leftOut.empty() ? 1 : code;
}
