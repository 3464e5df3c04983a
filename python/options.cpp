#include "options.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <thread>

namespace py = pybind11;

namespace corvane::python {

namespace {

// "a, b or c".
template <typename Words>
std::string Alternatives(const Words& words) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) text += i + 1 == words.size() ? " or " : ", ";
        text += words[i];
    }
    return text;
}

std::string Text(const py::handle& value) {
    return py::str(value);
}

std::string TypeName(const py::handle& value) {
    return py::str(py::type::handle_of(value).attr("__name__"));
}

[[noreturn]] void WrongType(std::string_view name, std::string_view wanted,
                            const py::handle& value) {
    throw py::type_error(std::string(name) + " must be " + std::string(wanted) + ", not " +
                         TypeName(value));
}

// A Python int (or anything with __index__, such as a numpy integer); bools are refused.
py::int_ IntOf(std::string_view name, const py::handle& value) {
    if (PyBool_Check(value.ptr()) || !PyIndex_Check(value.ptr())) WrongType(name, "an int", value);
    return py::reinterpret_steal<py::int_>(PyNumber_Index(value.ptr()));
}

bool BoolOf(std::string_view name, const py::handle& value) {
    if (!PyBool_Check(value.ptr())) WrongType(name, "a bool", value);
    return value.ptr() == Py_True;
}

// The index of the word among `words`; an int is read as its decimal text where `numeric`.
template <typename Words>
int ChoiceOf(std::string_view name, const py::handle& value, const Words& words, bool numeric) {
    std::string text;
    if (py::isinstance<py::str>(value)) {
        text = value.cast<std::string>();
    } else if (numeric) {
        text = Text(IntOf(name, value));
    } else {
        WrongType(name, "a str", value);
    }
    const auto found = std::find(words.begin(), words.end(), text);
    if (found == words.end()) {
        throw py::value_error(std::string(name) + ": takes " + Alternatives(words) + ", not \"" +
                              text + "\"");
    }
    return static_cast<int>(found - words.begin());
}

}  // namespace

int DefaultJobs() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

RunOptions ReadOptions(py::kwargs kwargs, bool withJobs, const char* function) {
    RunOptions o;
    o.jobs = DefaultJobs();
    RunSettings& s = o.settings;
    for (const auto& [key, value] : kwargs) {
        const std::string name = py::str(key);
        if (name == "unknotting_effort") {
            s.unknottingEffort = ChoiceOf(name, value, kEffortNames, false);
        } else if (name == "nakanishi_effort") {
            s.nakanishiEffort = ChoiceOf(name, value, kEffortNames, false);
        } else if (name == "lt_values") {
            s.ltValueCount = LevineTristramValueCount(ChoiceOf(name, value, kLtValueNames, true));
        } else if (name == "mahler_values") {
            s.mahlerValueCount = MahlerValueCount(ChoiceOf(name, value, kMahlerValueNames, true));
        } else if (name == "compute_all") {
            s.computeAll = BoolOf(name, value);
        } else if (name == "mu") {
            s.computeMu = BoolOf(name, value);
        } else if (name == "check_u3") {
            s.checkU3 = BoolOf(name, value);
        } else if (name == "seed") {
            const py::int_ seed = IntOf(name, value);
            if (seed < py::int_(0) || seed > py::int_(UINT64_MAX)) {
                throw py::value_error("seed: takes a whole number from 0 to 2^64 - 1, not \"" +
                                      Text(seed) + "\"");
            }
            o.seed = seed.cast<uint64_t>();
        } else if (name == "jobs" && withJobs) {
            const py::int_ jobs = IntOf(name, value);
            if (jobs < py::int_(1) || jobs > py::int_(1 << 16)) {
                throw py::value_error("jobs: Value " + Text(jobs) + " not in range 1 to 65536");
            }
            o.jobs = jobs.cast<int>();
        } else {
            throw py::type_error(std::string(function) + "() got an unexpected keyword argument '" +
                                 name + "'");
        }
    }
    return o;
}

}  // namespace corvane::python
