// Starting, stopping and reading programs from tests, and the JSON reader.
#include "program_runner.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace sqztest {
namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

#ifdef _WIN32
// One argument as the C runtime splits a command line: quoted, with backslashes before a quote doubled.
std::wstring Quote(const std::wstring& arg) {
    std::wstring out = L"\"";
    size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        if (c == L'"')
            out.append(slashes * 2 + 1, L'\\');
        else
            out.append(slashes, L'\\');
        slashes = 0;
        out += c;
    }
    out.append(slashes * 2, L'\\');
    return out + L"\"";
}

std::vector<std::wstring> WideArgs(const std::vector<std::string>& argv) {
    std::vector<std::wstring> wide;
    for (const std::string& a : argv) wide.push_back(WideOf(a));
    return wide;
}

HANDLE Inheritable(const std::string& path) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}
#endif

}  // namespace

#ifdef _WIN32

std::wstring WideOf(const std::string& ansi) {
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], n);
    return wide;
}

RunningProgram::RunningProgram(const std::vector<std::string>& argv, const std::string& logFolder, bool,
                               const std::string& inputPath)
    : RunningProgram(WideArgs(argv), logFolder, inputPath) {}

RunningProgram::RunningProgram(const std::vector<std::wstring>& argv, const std::string& logFolder,
                               const std::string& inputPath)
    : outPath_(logFolder + "stdout.txt"), errPath_(logFolder + "stderr.txt") {
    std::wstring command;
    for (const std::wstring& a : argv) command += (command.empty() ? L"" : L" ") + Quote(a);
    HANDLE out = Inheritable(outPath_), err = Inheritable(errPath_);
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE in = CreateFileA(inputPath.empty() ? "NUL" : inputPath.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi = {};
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    // No console for the program: its output goes to the files above, and under Wine the console host made for a
    // program killed while it starts can stay behind.
    started_ =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr, &si, &pi) != 0;
    CloseHandle(in);
    CloseHandle(out);
    CloseHandle(err);
    if (started_) {
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
    }
}

RunningProgram::~RunningProgram() {
    if (!waited_ && started_) Kill();
    if (!waited_ && started_) Wait();
}

ProgramOutcome RunningProgram::Wait() {
    if (waited_ || !started_) return outcome_;
    WaitForSingleObject(process_, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    CloseHandle(process_);
    waited_ = true;
    outcome_.code = static_cast<int>(code);
    outcome_.out = ReadText(outPath_);
    outcome_.err = ReadText(errPath_);
    return outcome_;
}

void RunningProgram::Kill() {
    if (started_ && !waited_) TerminateProcess(process_, 137);
}

void RunningProgram::Interrupt() {}

ScopedEnvironment::ScopedEnvironment(std::string name, const std::string& value) : name_(std::move(name)) {
    char buffer[32768];
    DWORD n = GetEnvironmentVariableA(name_.c_str(), buffer, sizeof buffer);
    had_ = n > 0 && n < sizeof buffer;
    if (had_) old_.assign(buffer, n);
    SetEnvironmentVariableA(name_.c_str(), value.c_str());
}

ScopedEnvironment::~ScopedEnvironment() { SetEnvironmentVariableA(name_.c_str(), had_ ? old_.c_str() : nullptr); }

#else

RunningProgram::RunningProgram(const std::vector<std::string>& argv, const std::string& logFolder, bool stderrTerminal,
                               const std::string& inputPath)
    : outPath_(logFolder + "stdout.txt"), errPath_(logFolder + "stderr.txt") {
    int master = -1, slave = -1;
    if (stderrTerminal && openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return;
    pid_t pid = fork();
    if (pid == 0) {
        int out = open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = stderrTerminal ? slave : open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = open(inputPath.empty() ? "/dev/null" : inputPath.c_str(), O_RDONLY);
        if (out < 0 || err < 0 || in < 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (master >= 0) close(master);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    if (slave >= 0) close(slave);
    terminal_ = master;
    started_ = pid > 0;
    pid_ = pid;
}

RunningProgram::~RunningProgram() {
    if (!waited_ && started_) {
        Kill();
        Wait();
    }
    if (terminal_ >= 0) close(terminal_);
}

ProgramOutcome RunningProgram::Wait() {
    if (waited_ || !started_) return outcome_;
    std::string terminalText;
    int status = 0;
    for (;;) {
        // The terminal's text is read while the program runs, so that it never blocks on a full terminal.
        if (terminal_ >= 0) {
            pollfd p = {terminal_, POLLIN, 0};
            while (poll(&p, 1, 0) > 0 && (p.revents & POLLIN)) {
                char buffer[4096];
                ssize_t n = read(terminal_, buffer, sizeof buffer);
                if (n <= 0) break;
                terminalText.append(buffer, static_cast<size_t>(n));
            }
        }
        pid_t done = waitpid(pid_, &status, terminal_ >= 0 ? WNOHANG : 0);
        if (done == pid_) break;
        if (done < 0) return outcome_;
        usleep(2000);
    }
    if (terminal_ >= 0) {
        char buffer[4096];
        ssize_t n;
        fcntl(terminal_, F_SETFL, O_NONBLOCK);
        while ((n = read(terminal_, buffer, sizeof buffer)) > 0) terminalText.append(buffer, static_cast<size_t>(n));
    }
    waited_ = true;
    outcome_.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    outcome_.out = ReadText(outPath_);
    outcome_.err = terminal_ >= 0 ? terminalText : ReadText(errPath_);
    return outcome_;
}

void RunningProgram::Kill() {
    if (started_ && !waited_) kill(pid_, SIGKILL);
}

void RunningProgram::Interrupt() {
    if (started_ && !waited_) kill(pid_, SIGINT);
}

ScopedEnvironment::ScopedEnvironment(std::string name, const std::string& value) : name_(std::move(name)) {
    const char* old = std::getenv(name_.c_str());
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv(name_.c_str(), value.c_str(), 1);
}

ScopedEnvironment::~ScopedEnvironment() {
    if (had_)
        setenv(name_.c_str(), old_.c_str(), 1);
    else
        unsetenv(name_.c_str());
}

#endif

ProgramOutcome RunProgram(const std::vector<std::string>& argv, const std::string& logFolder,
                          const std::string& inputPath) {
    RunningProgram program(argv, logFolder, false, inputPath);
    return program.Wait();
}

#ifdef _WIN32
ProgramOutcome RunProgram(const std::vector<std::wstring>& argv, const std::string& logFolder) {
    RunningProgram program(argv, logFolder);
    return program.Wait();
}
#endif

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream ss(text);
    std::string line;
    while (std::getline(ss, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

namespace {

// A strict reader of the JSON the tool writes: objects, strings, numbers, true, false.
class JsonReader {
public:
    explicit JsonReader(const std::string& text) : s_(text) {}

    bool Object(const std::string& prefix, std::map<std::string, std::string>* fields) {
        if (!Eat('{')) return false;
        if (Eat('}')) return true;
        do {
            std::string key;
            if (!String(&key) || !Eat(':')) return false;
            Space();
            if (Peek() == '{') {
                if (!Object(prefix + key + ".", fields)) return false;
            } else {
                std::string value;
                if (!Value(&value)) return false;
                (*fields)[prefix + key] = value;
            }
        } while (Eat(','));
        return Eat('}');
    }
    bool AtEnd() {
        Space();
        return pos_ == s_.size();
    }

private:
    char Peek() const { return pos_ < s_.size() ? s_[pos_] : '\0'; }
    void Space() {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t')) ++pos_;
    }
    bool Eat(char c) {
        Space();
        if (Peek() != c) return false;
        ++pos_;
        return true;
    }
    bool Value(std::string* out) {
        if (Peek() == '"') return String(out);
        size_t start = pos_;
        while (pos_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '-' ||
                                    s_[pos_] == '+' || s_[pos_] == '.'))
            ++pos_;
        *out = s_.substr(start, pos_ - start);
        return !out->empty();
    }
    static void AppendUtf8(std::string* out, unsigned long cp) {
        if (cp < 0x80) {
            *out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            *out += static_cast<char>(0xC0 | (cp >> 6));
            *out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            *out += static_cast<char>(0xE0 | (cp >> 12));
            *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            *out += static_cast<char>(0xF0 | (cp >> 18));
            *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    bool String(std::string* out) {
        if (!Eat('"')) return false;
        out->clear();
        while (pos_ < s_.size()) {
            unsigned char c = static_cast<unsigned char>(s_[pos_++]);
            if (c == '"') return true;
            if (c < 0x20) return false;  // a control character must be escaped
            if (c != '\\') {
                *out += static_cast<char>(c);
                continue;
            }
            if (pos_ >= s_.size()) return false;
            char e = s_[pos_++];
            switch (e) {
                case '"':
                    *out += '"';
                    break;
                case '\\':
                    *out += '\\';
                    break;
                case '/':
                    *out += '/';
                    break;
                case 'b':
                    *out += '\b';
                    break;
                case 'f':
                    *out += '\f';
                    break;
                case 'n':
                    *out += '\n';
                    break;
                case 'r':
                    *out += '\r';
                    break;
                case 't':
                    *out += '\t';
                    break;
                case 'u': {
                    if (pos_ + 4 > s_.size()) return false;
                    unsigned long cp = std::strtoul(s_.substr(pos_, 4).c_str(), nullptr, 16);
                    pos_ += 4;
                    AppendUtf8(out, cp);
                    break;
                }
                default:
                    return false;
            }
        }
        return false;
    }

    const std::string& s_;
    size_t pos_ = 0;
};

}  // namespace

std::map<std::string, std::string> ParseJsonObject(const std::string& line) {
    std::map<std::string, std::string> fields;
    JsonReader reader(line);
    if (!reader.Object("", &fields) || !reader.AtEnd()) return {};
    return fields;
}

}  // namespace sqztest
