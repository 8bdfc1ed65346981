// The commands of squozen: the per-file work of info, test and optimize on the thread pool, and their reports.
#include "squozen_tool.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "console.h"
#include "file_helpers.h"
#include "inputs.h"
#include "json_text.h"
#include "movie_batch.h"
#include "options.h"
#include "ordered_pool.h"
#include "path_list.h"
#include "platform.h"
#include "progress_bar.h"
#include "swf_check.h"
#include "swf_container.h"
#include "swf_inspect.h"
#include "swf_protect.h"

#ifndef SQZ_VERSION
#define SQZ_VERSION "0"
#endif

namespace sqzcli {
namespace {

using sqz::Files;

// The run's private work folder under the system's temporary folder, with one subfolder per job, so that two
// movies of the same name worked on at once never share a work file. Removed with everything in it at the end.
class WorkFolder {
public:
    WorkFolder() = default;
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    ~WorkFolder() { Remove(); }

    // Creates the folder and `jobs` subfolders; false, with the reason, when it cannot. The work folders that runs
    // which were killed left behind go first.
    bool Create(unsigned jobs, std::string* error) {
        std::string temp = SystemTempFolder();
        RemoveStale(temp);
        for (unsigned attempt = 0; attempt < 100 && root_.empty(); ++attempt) {
            std::string name = temp + "squozen-" + std::to_string(sqz::ProcessNumber()) + "-" + std::to_string(attempt);
            if (CreatePrivateFolder(name)) root_ = name + sqz::kPathSep;
        }
        if (root_.empty()) {
            *error = "cannot create a work folder in " + temp + ": " + sqz::SystemErrorText(sqz::LastSystemError());
            return false;
        }
        for (unsigned w = 0; w < jobs; ++w) {
            std::string job = root_ + "job" + std::to_string(w) + sqz::kPathSep;
            if (!CreatePrivateFolder(job)) {
                *error = "cannot create the work folder " + job + ": " + sqz::SystemErrorText(sqz::LastSystemError());
                return false;
            }
            jobs_.push_back(job);
        }
        return true;
    }
    const std::string& Job(unsigned worker) const { return jobs_[worker]; }

private:
    void Remove() {
        for (const std::string& job : jobs_) RemoveJob(job);
        if (!root_.empty()) RemoveEmptyFolder(root_);
    }
    static void RemoveJob(const std::string& job) {
        for (const sqz::FileEntry& e : Files().List(job))
            if (!e.bFolder) Files().Delete(job + e.name);
        RemoveEmptyFolder(job);
    }
    // Removes the folders "squozen-<process>-<n>" of processes no longer running, with their job folders, and nothing
    // else.
    static void RemoveStale(const std::string& temp) {
        for (const sqz::FileEntry& e : Files().List(temp)) {
            unsigned long process = 0;
            char tail = 0;
            unsigned n = 0;
            if (!e.bFolder || std::sscanf(e.name.c_str(), "squozen-%lu-%u%c", &process, &n, &tail) != 2 ||
                process == sqz::ProcessNumber() || sqz::IsProcessRunning(process))
                continue;
            const std::string root = temp + e.name + sqz::kPathSep;
            for (const sqz::FileEntry& job : Files().List(root))
                if (job.bFolder && job.name.compare(0, 3, "job") == 0) RemoveJob(root + job.name + sqz::kPathSep);
            RemoveEmptyFolder(root);
        }
    }

    std::string root_;
    std::vector<std::string> jobs_;
};

// Removes what the movie left in the job's work folder, so that the folder never holds more than one movie's.
void DeleteWorkFiles(const MovieWorkFiles& work) { Files().Delete(work.strOutput); }

// ---- info ----

struct InfoResult {
    std::string strError;  // set when the file could not be read
    SwfFileInfo info{};
    bool bCompressed = false;
    bool bProtected = false;
};

InfoResult ReadInfo(const InputFile& input) {
    InfoResult r;
    if (!input.strError.empty()) {
        r.strError = input.strError;
        return r;
    }
    // One reading gives the properties, the form and the protection (a projector's of its movie).
    SwfFileFacts facts;
    SwfResult read = ReadSwfInfoEx(input.strPath, &r.info, &facts);
    r.strError = MovieFailureReason(MakeMovieFailure(MovieStep::kRead, read, input.strPath));
    if (!read.Ok()) return r;
    r.bCompressed = facts.coding != SwfCoding::kStored;
    r.bProtected = facts.bProtected;
    return r;
}

std::string InfoText(const std::string& path, const InfoResult& r) {
    if (!r.strError.empty()) return path + ": " + r.strError + "\n";
    if (!IsValidSwf(r.info)) return path + ": " + kBadFlashFile + "\n";
    std::string name = GetFileNamePart(path);
    std::string text = path + "\n";
    text += "  file name:    " + (name.empty() ? path : name) + "\n";
    text += "  version:      " + SwfVersionText(r.info) + "\n";
    text += "  length:       " + SwfLengthText(r.info) + "\n";
    text += "  frame size:   " + SwfFrameSizeText(r.info) + "\n";
    text += "  frame rate:   " + std::to_string(r.info.nFrameRate) + "\n";
    text += "  frame count:  " + std::to_string(r.info.nFrameCount) + "\n";
    text += "  created:      " + SwfCreatedText(r.info) + "\n";
    text += std::string("  compressed:   ") + (r.bCompressed ? "yes" : "no") + "\n";
    text += std::string("  protected:    ") + (r.bProtected ? "yes" : "no") + "\n";
    return text;
}

std::string InfoJson(const std::string& path, const InfoResult& r) {
    JsonObject o;
    o.Add("path", ToUtf8(path));
    if (!r.strError.empty()) return o.Add("error", ToUtf8(r.strError)).Text() + "\n";
    o.Add("nVersion", r.info.nVersion)
        .Add("nFileSize", r.info.nFileSize)
        .Add("nWidth", r.info.nWidth)
        .Add("nHeight", r.info.nHeight)
        .Add("nFrameRate", r.info.nFrameRate)
        .Add("nFrameCount", r.info.nFrameCount)
        .Add("tCreated", r.info.tCreated)
        .AddBool("compressed", r.bCompressed)
        .AddBool("protected", r.bProtected)
        .AddBool("valid", IsValidSwf(r.info));
    return o.Text() + "\n";
}

// ---- check ----

MovieCheck CheckInput(const InputFile& input) {
    MovieCheck c;
    if (!input.strError.empty()) c.read = {SwfReason::kCannotRead};
    return input.strError.empty() ? CheckMovie(input.strPath) : c;
}

// A failed reading's text: the walk's reason for a path that names nothing, else the engine's.
std::string CheckError(const InputFile& input, const MovieCheck& c) {
    return input.strError.empty() ? MovieFailureReason(MakeMovieFailure(MovieStep::kRead, c.read, input.strPath))
                                  : input.strError;
}

// Only the movies with findings are named, a finding a line.
std::string CheckText(const InputFile& input, const MovieCheck& c) {
    if (!c.read.Ok()) return input.strPath + ": " + CheckError(input, c) + "\n";
    std::string text;
    for (const MovieCheck::Item& item : c.findings) text += input.strPath + ": " + item.strText + "\n";
    return text;
}

std::string CheckJson(const InputFile& input, const MovieCheck& c) {
    JsonObject o;
    o.Add("path", ToUtf8(input.strPath));
    if (!c.read.Ok()) return o.Add("error", ToUtf8(CheckError(input, c))).Text() + "\n";
    std::vector<JsonObject> findings;
    for (const MovieCheck::Item& item : c.findings) {
        findings.emplace_back();
        findings.back().Add("code", MovieFindingCode(item.finding)).Add("text", item.strText);
    }
    return o.Add("findings", findings).Text() + "\n";
}

// ---- test and optimize ----

// One file of Test or Optimize by the rule of the file list (ProcessMovie), in the job's work folder, which is
// emptied again. A path of the command line that names nothing fails in the read step with the walk's reason.
MovieBatchResult ProcessInput(const InputFile& input, const Options& o, const std::string& jobFolder) {
    if (!input.strError.empty()) {
        MovieBatchResult r;
        r.failure.step = MovieStep::kRead;
        r.failure.reason = SwfReason::kCannotRead;
        r.failure.strWhat = input.strError;
        return r;
    }
    MovieBatchRequest request{o.command == Command::kOptimize, o.bBackup, o.bProtect, MovieVerdict::kRead, jobFolder};
    request.bBest = o.bBest;
    request.bKeepVersion = o.bKeepVersion;
    request.bLzma = o.bLzma;
    request.bRecompress = o.bRecompress;
    // The record of what changed: what a file became, by its hashes.
    request.bHashes = o.bJson && o.command == Command::kOptimize;
    MovieBatchResult r = ProcessMovie(input.strPath, request);
    // Test's output is looked at and gone; Optimize writes nothing into the work folder.
    if (!jobFolder.empty() && r.outcome != MovieOutcome::kSkipped)
        DeleteWorkFiles(GetMovieWorkFiles(jobFolder, input.strPath));
    return r;
}

const char* DoneWord(const Options& o) { return o.command == Command::kOptimize ? "optimized" : "tested"; }

std::string BatchHeader() {
    char line[128];
    std::snprintf(line, sizeof line, "%-9s %12s %11s %6s  %s\n", "result", "original", "optimized", "ratio", "file");
    return line;
}

std::string BatchText(const std::string& path, const MovieBatchResult& r, const Options& o) {
    char line[128];
    if (r.outcome == MovieOutcome::kDone) {
        // As the file list shows them: sizes grouped by commas (the unsigned figures, also beyond 2 GB), the ratio
        // with "%d%%".
        char ratio[24];
        std::snprintf(ratio, sizeof ratio, "%d%%", r.movie.nRatio);
        std::snprintf(line, sizeof line, "%-9s %12s %11s %6s  ", DoneWord(o), FormatThousands64(r.nOriginal).c_str(),
                      FormatThousands64(r.movie.nAfter).c_str(), ratio);
        std::string text = line + path;
        // A movie whose version the compression raises may play differently: the line says so.
        if (r.movie.nVersion != r.movie.nSourceVersion)
            text +=
                " (version " + std::to_string(r.movie.nSourceVersion) + " -> " + std::to_string(r.movie.nVersion) + ")";
        if (r.movie.bLzma) text += " (LZMA)";
        return text + "\n";
    }
    std::snprintf(line, sizeof line, "%-9s %12s %11s %6s  ", r.outcome == MovieOutcome::kSkipped ? "skipped" : "failed",
                  "", "", "");
    std::string why = r.outcome == MovieOutcome::kFailed ? DescribeMovieFailure(r.failure) : r.failure.strWhat;
    return line + path + ": " + why + "\n";
}

std::string BatchJson(const std::string& path, const MovieBatchResult& r, const Options& o) {
    JsonObject j;
    j.Add("path", ToUtf8(path));
    if (r.outcome == MovieOutcome::kSkipped)
        return j.Add("status", "skipped")
                   .Add("reason", r.failure.strWhat)
                   .Add("reasonCode", MovieSkipCode(r.failure.reason))
                   .Text() +
               "\n";
    if (r.outcome == MovieOutcome::kFailed)
        return j.Add("status", "failed")
                   .Add("step", MovieStepName(r.failure.step))
                   .Add("reason", ToUtf8(MovieFailureReason(r.failure)))
                   .Text() +
               "\n";
    j.Add("status", DoneWord(o))
        .Add("originalSize", r.nOriginal)
        .Add("sizeBefore", r.movie.nBefore)
        .Add("optimizedSize", r.movie.nAfter)
        .Add("ratio", static_cast<int32_t>(r.movie.nRatio))
        .Add("sourceVersion", static_cast<int32_t>(r.movie.nSourceVersion))
        .Add("version", static_cast<int32_t>(r.movie.nVersion))
        .AddBool("versionRaised", r.movie.nVersion != r.movie.nSourceVersion)
        .AddBool("protected", r.movie.bProtected != 0)
        .Add("form", r.movie.bLzma ? "ZWS" : "CWS")
        .AddBool("verified", r.bVerified);
    if (o.command == Command::kOptimize && o.bBackup) j.Add("backup", ToUtf8(GetBackupPath(path)));
    if (!r.strSha256Before.empty())
        j.Add("sha256Before", r.strSha256Before)
            .Add("sha256After", r.strSha256After)
            .Add("sha256Body", r.strSha256Body);
    return j.Text() + "\n";
}

struct Totals {
    size_t nFiles = 0, nDone = 0, nSkipped = 0, nFailed = 0;
    uint64_t nBefore = 0, nAfter = 0;
};

std::string TotalsText(const Totals& t, const Options& o) {
    std::string text = "total: " + std::to_string(t.nFiles) + (t.nFiles == 1 ? " file: " : " files: ") +
                       std::to_string(t.nDone) + " " + DoneWord(o) + ", " + std::to_string(t.nSkipped) + " skipped, " +
                       std::to_string(t.nFailed) + " failed";
    if (t.nDone > 0)
        text += "; " + FormatThousands64(t.nBefore) + " -> " + FormatThousands64(t.nAfter) + " bytes, saved " +
                std::to_string(TotalSavingRatio(t.nBefore, t.nAfter)) + "%";
    return text + "\n";
}

// The last line of --json: {"totals": ...}, with what an interrupted run left out.
std::string TotalsLine(JsonObject& totals, size_t notProcessed) {
    if (notProcessed > 0) totals.AddBool("interrupted", true).Add("notProcessed", static_cast<uint64_t>(notProcessed));
    return JsonObject().Add("totals", totals).Text() + "\n";
}

std::string TotalsJson(const Totals& t, const Options& o, size_t notProcessed) {
    JsonObject totals;
    totals.Add("files", static_cast<uint64_t>(t.nFiles))
        .Add(DoneWord(o), static_cast<uint64_t>(t.nDone))
        .Add("skipped", static_cast<uint64_t>(t.nSkipped))
        .Add("failed", static_cast<uint64_t>(t.nFailed))
        .Add("sizeBefore", t.nBefore)
        .Add("optimizedSize", t.nAfter)
        .Add("ratio", static_cast<int64_t>(TotalSavingRatio(t.nBefore, t.nAfter)));
    return TotalsLine(totals, notProcessed);
}

// The totals of info and check: the files, then nDone, nSkipped and nFailed under the command's own names (info: the
// valid movies, the bad files; check: the sound movies, those with findings; both: the files that could not be read).
std::string CountTotalsJson(const Totals& t, const char* done, const char* skipped, size_t notProcessed) {
    JsonObject totals;
    totals.Add("files", static_cast<uint64_t>(t.nFiles))
        .Add(done, static_cast<uint64_t>(t.nDone))
        .Add(skipped, static_cast<uint64_t>(t.nSkipped))
        .Add("failed", static_cast<uint64_t>(t.nFailed));
    return TotalsLine(totals, notProcessed);
}

std::string CheckTotalsText(const Totals& t) {
    return "total: " + std::to_string(t.nFiles) + (t.nFiles == 1 ? " file: " : " files: ") + std::to_string(t.nDone) +
           " sound, " + std::to_string(t.nSkipped) + " with findings, " + std::to_string(t.nFailed) + " failed\n";
}

void Write(std::FILE* out, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), out);
    std::fflush(out);
}

// Writes one file's result. The stream is flushed about ten times a second rather than after every line, so
// that a run over many small movies does not pay a write to the system per movie; a terminal shows each line
// at once all the same (the C library flushes it line by line).
class ResultWriter {
public:
    explicit ResultWriter(std::FILE* out) : out_(out) {}
    ~ResultWriter() { Flush(); }
    void Flush() { std::fflush(out_); }
    void Write(const std::string& text) {
        std::fwrite(text.data(), 1, text.size(), out_);
        auto now = std::chrono::steady_clock::now();
        if (now - flushed_ >= std::chrono::milliseconds(100)) {
            std::fflush(out_);
            flushed_ = now;
        }
    }

private:
    std::FILE* out_;
    std::chrono::steady_clock::time_point flushed_ = std::chrono::steady_clock::now();
};

unsigned JobCount(const Options& o, size_t files) {
    unsigned jobs = o.nJobs ? o.nJobs : std::thread::hardware_concurrency();
    if (jobs < 1) jobs = 1;
    if (jobs > files) jobs = static_cast<unsigned>(files);
    return jobs < 1 ? 1 : jobs;
}

int Run(const Options& o, std::FILE* out, std::FILE* err) {
    std::vector<std::string> paths = o.paths;
    std::string listError;
    if (!o.strFilesFrom.empty() && !ReadPathList(o.strFilesFrom, o.bNulSeparated, &paths, &listError)) {
        Write(err, "squozen: " + listError + "\n");
        return 2;
    }
    std::vector<InputFile> inputs = CollectInputs(paths, o.bRecursive);
    unsigned jobs = JobCount(o, inputs.size());
    // Only Test writes into a work folder (Optimize writes beside each movie).
    WorkFolder folder;
    std::string error;
    if (o.command == Command::kTest && !folder.Create(jobs, &error)) {
        Write(err, "squozen: " + error + "\n");
        return 1;
    }
    CatchInterrupts();
    KeepFreedMemory();
    ProgressBar bar(StderrIsTerminal() ? err : nullptr);
    Progress progress;
    progress.nTotal = inputs.size();
    Totals totals;
    totals.nFiles = inputs.size();
    size_t failures = 0;

    ResultWriter writer(out);
    PoolCallbacks callbacks;
    callbacks.stop = [] { return Interrupted(); };
    callbacks.tick = [&] { bar.Show(progress); };
    size_t done = 0;
    if (o.command == Command::kInfo) {
        std::vector<InfoResult> results(inputs.size());
        callbacks.work = [&](size_t i, unsigned) { results[i] = ReadInfo(inputs[i]); };
        callbacks.done = [&](size_t i) {
            if (!results[i].strError.empty())
                ++totals.nFailed;
            else
                ++(IsValidSwf(results[i].info) ? totals.nDone : totals.nSkipped);
            std::string text =
                o.bJson ? InfoJson(inputs[i].strPath, results[i]) : InfoText(inputs[i].strPath, results[i]);
            if (!o.bJson && i > 0 && results[i].strError.empty() && IsValidSwf(results[i].info)) text = "\n" + text;
            progress.nDone = i + 1;
            bar.Clear();
            writer.Write(text);
            bar.Show(progress);
        };
        done = RunOrdered(inputs.size(), jobs, callbacks);
        bar.Clear();
        failures = totals.nFailed;
        if (o.bJson) writer.Write(CountTotalsJson(totals, "valid", "invalid", inputs.size() - done));
    } else if (o.command == Command::kCheck) {
        std::vector<MovieCheck> results(inputs.size());
        callbacks.work = [&](size_t i, unsigned) { results[i] = CheckInput(inputs[i]); };
        callbacks.done = [&](size_t i) {
            const MovieCheck& c = results[i];
            ++(!c.read.Ok() ? totals.nFailed : c.findings.empty() ? totals.nDone : totals.nSkipped);
            progress.nDone = i + 1;
            bar.Clear();
            writer.Write(o.bJson ? CheckJson(inputs[i], c) : CheckText(inputs[i], c));
            bar.Show(progress);
        };
        done = RunOrdered(inputs.size(), jobs, callbacks);
        bar.Clear();
        failures = totals.nFailed;
        writer.Write(o.bJson ? CountTotalsJson(totals, "sound", "withFindings", inputs.size() - done)
                             : CheckTotalsText(totals));
        if (done == inputs.size() && failures == 0 && totals.nSkipped > 0) {
            writer.Flush();
            return 1;
        }
    } else {
        std::vector<MovieBatchResult> results(inputs.size());
        callbacks.work = [&](size_t i, unsigned w) {
            results[i] = ProcessInput(inputs[i], o, o.command == Command::kTest ? folder.Job(w) : std::string());
        };
        callbacks.done = [&](size_t i) {
            const MovieBatchResult& r = results[i];
            if (r.outcome == MovieOutcome::kDone) {
                ++totals.nDone;
                totals.nBefore += r.movie.nBefore;
                totals.nAfter += r.movie.nAfter;
            } else if (r.outcome == MovieOutcome::kSkipped) {
                ++totals.nSkipped;
            } else {
                ++totals.nFailed;
            }
            progress.nDone = i + 1;
            progress.nBytesBefore = totals.nBefore;
            progress.nBytesAfter = totals.nAfter;
            bar.Clear();
            writer.Write(o.bJson ? BatchJson(inputs[i].strPath, r, o) : BatchText(inputs[i].strPath, r, o));
            bar.Show(progress, true);
        };
        if (!o.bJson) writer.Write(BatchHeader());
        bar.Show(progress, true);
        done = RunOrdered(inputs.size(), jobs, callbacks);
        bar.Clear();
        failures = totals.nFailed;
        writer.Write(o.bJson ? TotalsJson(totals, o, inputs.size() - done) : TotalsText(totals, o));
    }

    writer.Flush();
    if (done < inputs.size()) {
        Write(err, "squozen: interrupted: " + std::to_string(inputs.size() - done) + " of " +
                       std::to_string(inputs.size()) + " files were not processed\n");
        return 1;
    }
    if (failures > 0) {
        Write(err, "squozen: " + std::to_string(failures) + (failures == 1 ? " file" : " files") + " failed\n");
        return 1;
    }
    return 0;
}

}  // namespace

int UsageError(const std::string& error, std::FILE* err) {
    Write(err, "squozen: " + error + "\nTry 'squozen --help' for more information.\n");
    return 2;
}

int RunSquozen(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    ParsedCommandLine parsed = ParseCommandLine(args);
    if (!parsed.bOk) return UsageError(parsed.strError, err);
    switch (parsed.options.command) {
        case Command::kHelp:
            Write(out, UsageText());
            return 0;
        case Command::kVersion:
            Write(out, "squozen " SQZ_VERSION "\n");
            return 0;
        default:
            return Run(parsed.options, out, err);
    }
}

}  // namespace sqzcli
