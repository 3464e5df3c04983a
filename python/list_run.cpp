#include "list_run.h"

#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <unordered_map>

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
// show. Status lines and line notes are not printed: the notes become warnings at the end. The
// JSON object of every knot is made on the thread that finished the knot, as the command line's
// workers make its JSON Lines, and kept for the end of the run.
class PythonHost : public CliHost {
    static constexpr std::string_view kRedraw = "\r\033[K";

  public:
    PythonHost(bool progress, const RunState& state)
        : CliHost(false, progress, {}, [this](std::string_view text) { Collect(text); }),
          state_(state) {}

    void KnotFinished(int index) override {
        KnotRecord knot;
        {
            const std::lock_guard lock(state_.KnotsMutex);
            knot = state_.Knots.Copy(index);
        }
        nlohmann::ordered_json object = KnotJson(knot, state_.Settings);
        const std::lock_guard lock(mutex_);
        finished_.emplace_back(index, std::move(object));
    }

    // The knots finished since the last call, by index, with their objects.
    std::vector<std::pair<int, nlohmann::ordered_json>> TakeFinished() {
        const std::lock_guard lock(mutex_);
        return std::exchange(finished_, {});
    }

    void DrawText(int x, int y, std::string_view text, StatusKind kind) override {
        if (kind == StatusKind::Activity) CliHost::DrawText(x, y, text, kind);
    }
    void LineNoted(int, std::string_view) override {}

    // What was drawn since the last call. The progress line is redrawn at every knot, so only its
    // last drawing is kept: an output such as a notebook's then gets a line per look, not
    // thousands a second.
    std::string Take() {
        const std::lock_guard lock(mutex_);
        const std::size_t last = pending_.rfind(kRedraw);
        if (last != std::string::npos && last > 0) pending_.erase(0, last);
        return std::exchange(pending_, {});
    }

  private:
    void Collect(std::string_view text) {
        const std::lock_guard lock(mutex_);
        pending_ += text;
    }

    const RunState& state_;
    std::mutex mutex_;
    std::string pending_;
    std::vector<std::pair<int, nlohmann::ordered_json>> finished_;
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

// A JSON value as Python values: null None, numbers int or float (integers of any size
// exact), strings str, arrays lists and objects dicts in their key order; what json.loads makes
// of the JSON Lines text of the same value.
py::object PythonValue(const nlohmann::ordered_json& value) {
    using Type = nlohmann::ordered_json::value_t;
    switch (value.type()) {
        case Type::null:
        case Type::discarded:
            return py::none();
        case Type::boolean:
            return py::bool_(value.get<bool>());
        case Type::number_integer:
            return py::int_(value.get<int64_t>());
        case Type::number_unsigned:
            return py::int_(value.get<uint64_t>());
        case Type::number_float:
            return py::float_(value.get<double>());
        case Type::string: {
            const std::string& text = value.get_ref<const std::string&>();
            if (const auto digits = JsonBigIntegerDigits(text)) {
                return py::reinterpret_steal<py::object>(
                    PyLong_FromString(std::string(*digits).c_str(), nullptr, 10));
            }
            return py::reinterpret_steal<py::object>(
                PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace"));
        }
        case Type::array: {
            py::list list(value.size());
            std::size_t i = 0;
            for (const auto& item : value) list[i++] = PythonValue(item);
            return list;
        }
        case Type::object: {
            py::dict dict;
            for (const auto& [key, item] : value.items()) dict[py::str(key)] = PythonValue(item);
            return dict;
        }
        case Type::binary:
            break;
    }
    throw std::runtime_error("a JSON value without a Python form");
}

// The Python objects of the knots finished so far, by index, made while the run goes on by the
// thread that waits for it. Needs the GIL.
using FinishedRows = std::unordered_map<int, py::object>;

void ConvertFinished(PythonHost& host, FinishedRows& rows) {
    for (auto& [index, object] : host.TakeFinished()) rows[index] = PythonValue(object);
}

void Warn(const std::string& text) {
    if (PyErr_WarnEx(PyExc_UserWarning, text.c_str(), 2) != 0) throw py::error_already_set();
}

// The run on a thread of its own; the calling thread waits without the GIL, taking it every
// kLookInterval to show the progress line, to turn the finished knots into Python objects and to
// check for signals. Returns what stopped the run: the Python error of a signal handler
// (KeyboardInterrupt for Ctrl-C) or of the waiting thread's own work; null when it ran to its end.
std::exception_ptr RunBeside(RunState& state, PythonHost& host, const std::filesystem::path& input,
                             RunOutcome& outcome, FinishedRows& rows) {
    std::mutex mutex;
    std::condition_variable ended;
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
        ended.notify_all();
    });
    std::exception_ptr stop;
    {
        const py::gil_scoped_release release;
        std::unique_lock lock(mutex);
        while (!ended.wait_for(lock, kLookInterval, [&] { return done; })) {
            lock.unlock();
            if (!stop) {
                const py::gil_scoped_acquire gil;
                try {
                    ShowOutput(host);
                    ConvertFinished(host, rows);
                    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
                } catch (...) {
                    stop = std::current_exception();
                    state.StopRequested = true;
                }
            }
            lock.lock();
        }
    }
    worker.join();
    host.EndProgress();
    ShowOutput(host);
    if (stop) return stop;
    if (failure) std::rethrow_exception(failure);
    ConvertFinished(host, rows);
    return nullptr;
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
    PythonHost host(options.progress, state);
    RunOutcome outcome;
    FinishedRows finished;
    if (const std::exception_ptr stop = RunBeside(state, host, input, outcome, finished)) {
        std::rethrow_exception(stop);
    }

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

    py::list rows;
    if (state.InputError) return rows;
    int index = 0;
    for (const KnotRecord& knot : state.Knots) {
        ++index;
        if (!HasJsonObject(knot)) continue;
        const auto found = finished.find(index);
        rows.append(found != finished.end() ? found->second
                                            : PythonValue(KnotJson(knot, state.Settings)));
    }
    return rows;
}

}  // namespace corvane::python
