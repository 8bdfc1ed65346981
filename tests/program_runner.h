// Running a built program from a test: its output captured in files, its exit code, stopping it midway; and a
// reader for the one-line JSON objects the command-line tool writes.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace sqztest {

struct ProgramOutcome {
    int code = -1;    // the exit code; 128 + the signal's number when a signal ended it (POSIX)
    std::string out;  // everything it wrote to standard output
    std::string err;  // and to standard error
};

// A program started with its standard output and error going to files in a folder of the caller's.
class RunningProgram {
public:
    // Starts `argv[0]` with the arguments `argv`; its output goes to files in `logFolder` (ending with the
    // separator). With `stderrTerminal` (POSIX only), standard error is a pseudo-terminal instead, whose text is
    // collected as `err`. Standard input is the file `inputPath`, or the null device when it is empty. The program
    // inherits the environment of the test.
    RunningProgram(const std::vector<std::string>& argv, const std::string& logFolder, bool stderrTerminal = false,
                   const std::string& inputPath = std::string());
#ifdef _WIN32
    // The same with the arguments as wide text, which may hold what the ANSI code page cannot.
    RunningProgram(const std::vector<std::wstring>& argv, const std::string& logFolder,
                   const std::string& inputPath = std::string());
#endif
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool Started() const { return started_; }
    // Waits for the end and returns what it did.
    ProgramOutcome Wait();
    // Ends it at once (SIGKILL, TerminateProcess), as a power cut or a killed task would.
    void Kill();
    // Asks it to stop as Ctrl+C does (SIGINT). POSIX only.
    void Interrupt();

private:
    std::string outPath_, errPath_;
    bool started_ = false;
    bool waited_ = false;
    ProgramOutcome outcome_;
#ifdef _WIN32
    void* process_ = nullptr;
#else
    int pid_ = -1;
    int terminal_ = -1;  // the pseudo-terminal's master side
#endif
};

// Runs the program to its end, with the file `inputPath` (if any) as its standard input.
ProgramOutcome RunProgram(const std::vector<std::string>& argv, const std::string& logFolder,
                          const std::string& inputPath = std::string());

#ifdef _WIN32
// `ansi` (in the ANSI code page) as wide text.
std::wstring WideOf(const std::string& ansi);
// RunProgram with the arguments as wide text.
ProgramOutcome RunProgram(const std::vector<std::wstring>& argv, const std::string& logFolder);
#endif

// Sets an environment variable for the lifetime of the object (for the programs the test starts), then restores
// it.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::string& value);
    ~ScopedEnvironment();

private:
    std::string name_;
    std::string old_;
    bool had_ = false;
};

// One line of JSON holding an object, its fields by name; the fields of an object inside it are named
// "outer.inner". Strings are unescaped (\uXXXX to UTF-8), numbers and true/false kept as their text. Empty when
// the line is not a well-formed JSON object.
std::map<std::string, std::string> ParseJsonObject(const std::string& line);

// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string& text);

}  // namespace sqztest
