// squozen: the command-line tool over the movie engine.
#include <cstdio>
#include <string>
#include <vector>

#include "squozen_tool.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return sqzcli::RunSquozen(args, stdout, stderr);
}
