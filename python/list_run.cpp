#include "list_run.h"

#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <thread>

#include "arith/big_integer.h"
#include "driver/cli_host.h"
#include "driver/run_calculation.h"
#include "knot/run_state.h"
#include "output/json_results.h"

namespace py = pybind11;

namespace corvane::python {

namespace {

// How often the waiting thread looks at the run: the progress line's pace, and the longest a
// Ctrl-C waits before it is passed on as Stop.
constexpr std::chrono::milliseconds kLookInterval(100);

// A folder of its own under the system's temporary folder, removed with everything in it.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string name = (std::filesystem::temp_directory_path() / "corvane-XXXXXX").string();
        if (mkdtemp(name.data()) == nullptr) {
            PyErr_SetFromErrnoWithFilename(PyExc_OSError, name.c_str());
            throw py::error_already_set();
        }
        path_ = name;
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// The command line's host with only its progress line, collected for the waiting thread to
// show. Status lines and line notes are not printed: the notes become warnings at the end.
class PythonHost : public CliHost {
  public:
    explicit PythonHost(bool progress)
        : CliHost(false, progress, {}, [this](std::string_view text) { Collect(text); }) {}

    void DrawText(int x, int y, std::string_view text, StatusKind kind) override {
        if (kind == StatusKind::Activity) CliHost::DrawText(x, y, text, kind);
    }
    void LineNoted(int, std::string_view) override {}

    std::string Take() {
        const std::lock_guard lock(mutex_);
        return std::exchange(pending_, {});
    }

  private:
    void Collect(std::string_view text) {
        const std::lock_guard lock(mutex_);
        pending_ += text;
    }

    std::mutex mutex_;
    std::string pending_;
};

// Writes what the host collected to sys.stderr. Needs the GIL; a failure to write is dropped,
// as a progress line is not worth losing a run for.
void ShowOutput(PythonHost& host) {
    const std::string text = host.Take();
    if (text.empty()) return;
    try {
        const py::object stderr_ = py::module_::import("sys").attr("stderr");
        if (stderr_.is_none()) return;
        stderr_.attr("write")(text);
        stderr_.attr("flush")();
    } catch (const py::error_already_set&) {
        PyErr_Clear();
    }
}

void Warn(const std::string& text) {
    if (PyErr_WarnEx(PyExc_UserWarning, text.c_str(), 2) != 0) throw py::error_already_set();
}

// The run on a thread of its own; the calling thread waits without the GIL, taking it every
// kLookInterval to show the progress line and to check for signals. Returns the pending Python
// error of a signal handler (KeyboardInterrupt for Ctrl-C), after which the run was stopped.
std::optional<py::error_already_set> RunBeside(RunState& state, PythonHost& host,
                                               const std::filesystem::path& input,
                                               RunOutcome& outcome) {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            outcome = RunCalculation(state, host, input);
        } catch (...) {
            failure = std::current_exception();
        }
        ReleaseBigIntegerCaches();
        const std::lock_guard lock(mutex);
        done = true;
        finished.notify_all();
    });
    std::optional<py::error_already_set> interrupt;
    {
        const py::gil_scoped_release release;
        std::unique_lock lock(mutex);
        while (!finished.wait_for(lock, kLookInterval, [&] { return done; })) {
            lock.unlock();
            {
                const py::gil_scoped_acquire gil;
                ShowOutput(host);
                if (!interrupt && PyErr_CheckSignals() != 0) {
                    interrupt.emplace();
                    state.StopRequested = true;
                }
            }
            lock.lock();
        }
    }
    worker.join();
    host.EndProgress();
    ShowOutput(host);
    if (failure && !interrupt) std::rethrow_exception(failure);
    return interrupt;
}

}  // namespace

py::list RunList(const std::string& text, const std::string& fileName, const std::string& where,
                 const RunOptions& options) {
    const ScratchFolder scratch;
    const std::filesystem::path input = scratch.path() / fileName;
    {
        std::ofstream out(input, std::ios::binary);
        out << text;
        if (!out.flush()) {
            PyErr_SetFromErrnoWithFilename(PyExc_OSError, input.c_str());
            throw py::error_already_set();
        }
    }
    RunState state;
    state.Settings = options.settings;
    state.RunSeed = options.seed;
    state.Jobs = options.jobs;
    PythonHost host(options.progress);
    RunOutcome outcome;
    if (auto interrupt = RunBeside(state, host, input, outcome)) throw *interrupt;

    for (const LineNote& note : outcome.lineNotes) {
        const std::string line = std::to_string(note.line);
        Warn((where.empty() ? "line " + line : where + ":" + line) + ": " + note.Text());
    }
    switch (outcome.end) {
        case RunEnd::InputError:
        case RunEnd::ReadingStopped:
            throw py::value_error("reading stopped at line " + std::to_string(outcome.errorLine) +
                                  ": " + outcome.message);
        case RunEnd::CannotOpen:
        case RunEnd::AlreadyRunning:
            throw std::runtime_error(outcome.message);
        default:
            break;
    }

    const py::object loads = py::module_::import("json").attr("loads");
    py::list rows;
    const std::string lines = JsonResultsContents(state);
    for (std::size_t start = 0; start < lines.size();) {
        const std::size_t end = lines.find('\n', start);
        const std::size_t stop = end == std::string::npos ? lines.size() : end;
        if (stop > start) rows.append(loads(py::str(lines.data() + start, stop - start)));
        start = stop + 1;
    }
    return rows;
}

}  // namespace corvane::python
