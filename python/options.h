// The options of a computation as Python passes them: the command line's options under their
// Python names (unknotting_effort, lt_values, compute_all, ...), with the command line's
// defaults, checked as the command line checks them and refused with its texts.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>

#include "knot/run_settings.h"

namespace corvane::python {

struct RunOptions {
    RunSettings settings;  // the defaults of corvane-cli
    uint64_t seed = 0;
    int jobs = 1;
    bool progress = false;
};

// Every core of the machine, at least one: the command line's default number of jobs.
int DefaultJobs();

// The options in `kwargs`, each taken out as it is read. Effort words are "low", "medium",
// "large", "very-large"; lt_values one of 16, 128, 1024, 8192 and mahler_values one of 128,
// 16384, 2097152 (ints, or their decimal texts); compute_all, mu and check_u3 are bools; seed is
// an int in 0..2^64 - 1; jobs (only where `withJobs`) an int in 1..65536. A value of the wrong
// type raises TypeError, a value out of range ValueError with the command line's text, and a
// name that is none of these TypeError, as Python does for an unexpected keyword argument of
// `function`.
RunOptions ReadOptions(pybind11::kwargs kwargs, bool withJobs, const char* function);

}  // namespace corvane::python
