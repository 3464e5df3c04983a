// A run of the calculation from Python: the same RunCalculation as the command line's, on a copy
// of the knot list in a scratch folder of its own, so that nothing is written beside the user's
// files. The run goes on threads of its own while the calling thread, holding the GIL only for
// moments, passes the progress line to sys.stderr, turns the finished knots into Python objects
// and turns Ctrl-C into Stop.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include "options.h"

namespace corvane::python {

// Computes the knot list whose text is `text`, read as a file named `fileName` (a results file
// name resumes, as on the command line), with `options`. Returns one dict per knot in list
// order, each the JSON Lines object that `corvane-cli --json` writes for it (exact ints of any
// size, floats, lists, None). The notes on lines that give no invariants become warnings,
// "`where`:LINE: TEXT", or "line LINE: TEXT" when `where` is empty. Raises ValueError with the
// reader's message when reading stops at an error, KeyboardInterrupt (or whatever a signal handler
// raised) when Ctrl-C stops the run, by then ended: no thread of the run is left behind.
pybind11::list RunList(const std::string& text, const std::string& fileName,
                       const std::string& where, const RunOptions& options);

}  // namespace corvane::python
