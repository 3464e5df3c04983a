// The Python module `corvane`: knots and knot lists computed in-process by the same core and the
// same run as corvane-cli, with the same options, seeds and results. Every result is the JSON
// Lines object the command line writes, as a dict of Python values.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string>

#include "input/knot_list.h"
#include "knot/run_state.h"
#include "list_run.h"
#include "options.h"

namespace py = pybind11;

namespace corvane::python {

namespace {

constexpr const char* kModuleDoc = R"(Classical invariants of knots, computed in-process.

A knot is given as a line of a knot list (a name and a Seifert matrix, a braid word
or a PD or DT code), or built from Python values with the Knot.from_... constructors.
Knot.invariants() and compute() return, for each knot, a dict with exactly the keys
and values of the object that `corvane-cli --json` writes for it (certificates
included), so that pandas.DataFrame(rows) is a table of the results.

The options are the command line's, with "_" for "-" and the same defaults:
  unknotting_effort  "low" (default), "medium", "large" or "very-large"
  nakanishi_effort   "low", "medium" (default), "large" or "very-large"
  lt_values          16 (default), 128, 1024 or 8192 Levine-Tristram values
  mahler_values      128, 16384 (default) or 2097152
  compute_all        run every obstruction on every knot (default False)
  mu                 compute mu(K) (default False)
  check_u3           check the obstruction to u = 3 (default False)
  seed               seed of the random choices, 0 .. 2**64 - 1 (default 0)
  jobs               compute() only: knots computed side by side (default: every core)
The same options and seed give the same values as the command line.

Example:
  >>> import corvane
  >>> k = corvane.Knot("3_1  PD[[1,5,2,4],[3,1,4,6],[5,3,6,2]]")
  >>> k.alexander_polynomial, k.determinant, k.signature
  ([1, -1, 1], 3, -2)
  >>> rows = corvane.compute(["3_1 {1,1,1}", "4_1 {1,-2,1,-2}"], jobs=2)
)";

// One knot as a line of a knot list, checked to give a knot when it is made.
class Knot {
  public:
    explicit Knot(std::string line) : line_(std::move(line)) { name_ = CheckedName(line_); }

    const std::string& line() const { return line_; }
    const std::string& name() const { return name_; }

    // The results with `options`: the knot alone as a list of one line.
    py::dict Invariants(const RunOptions& options) const {
        py::list rows = RunList(line_ + "\n", "knot.txt", "", options);
        if (rows.size() != 1) throw std::runtime_error("the knot gave no results");
        return rows[0];
    }

    // The results with the default options, computed once.
    py::object Basic(const char* key) {
        if (basic_.is_none()) basic_ = Invariants(RunOptions{});
        return basic_[key];
    }

    py::object Mu() {
        if (mu_.is_none()) {
            RunOptions options;
            options.settings.computeMu = true;
            mu_ = Invariants(options)["mu"];
        }
        return mu_;
    }

  private:
    // The name the reader gives the line's knot; ValueError with the reader's text when the line
    // gives no knot.
    static std::string CheckedName(const std::string& line) {
        if (line.find_first_of("\r\n") != std::string::npos) {
            throw py::value_error("a knot is one line of a knot list, without line ends");
        }
        RunState state;
        ParseKnotLine(state, line, 1);
        if (state.InputError) throw py::value_error(state.InputErrorText);
        if (!state.LineNotes.empty()) throw py::value_error(state.LineNotes.front().Text());
        if (state.KnotCount() != 1) {
            throw py::value_error(
                "not a knot-list line: no Seifert matrix, braid word, PD or DT code in \"" + line +
                "\"");
        }
        const KnotRecord knot = state.Knots.Copy(1);
        if (const std::string reason = NotAKnotReason(knot); !reason.empty()) {
            throw py::value_error(reason);
        }
        return knot.name;
    }

    std::string line_;
    std::string name_;
    py::object basic_ = py::none();
    py::object mu_ = py::none();
};

// The decimal text of an int (or of anything with __index__); TypeError for other values.
std::string IntText(const py::handle& value, const char* what) {
    if (PyBool_Check(value.ptr()) || !PyIndex_Check(value.ptr())) {
        throw py::type_error(std::string(what) + " must hold ints, not " +
                             std::string(py::str(py::type::handle_of(value).attr("__name__"))));
    }
    return py::str(py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr())));
}

// "a,b,c" of a sequence of ints.
std::string IntsText(const py::handle& values, const char* what) {
    if (py::isinstance<py::str>(values) || !py::hasattr(values, "__iter__")) {
        throw py::type_error(std::string(what) + " must be a sequence of ints");
    }
    std::string text;
    for (const py::handle value : values) {
        if (!text.empty()) text += ",";
        text += IntText(value, what);
    }
    return text;
}

// "[[a,b],[c,d]]" of a sequence of sequences of ints.
std::string NestedText(const py::handle& rows, const char* what) {
    if (py::isinstance<py::str>(rows) || !py::hasattr(rows, "__iter__")) {
        throw py::type_error(std::string(what) + " must be a sequence of sequences of ints");
    }
    std::string text = "[";
    for (const py::handle row : rows) {
        if (text.size() > 1) text += ",";
        text += "[" + IntsText(row, what) + "]";
    }
    return text + "]";
}

// A knot-list line from a name and a code.
Knot KnotOf(const std::string& name, const std::string& code) {
    return Knot(name.empty() ? code : name + "  " + code);
}

// The code as a knot list writes it, "PD[...]" or "DT[...]". A code given as text is taken as it
// stands, with the keyword put in front where it lacks one, and the brackets where it has none
// ("4 6 2").
std::string CodeText(const py::handle& code, const std::string& keyword, bool nested) {
    if (py::isinstance<py::str>(code)) {
        const std::string text = code.cast<std::string>();
        const std::size_t start = text.find_first_not_of(" \t");
        if (start == std::string::npos) return keyword + "[]";
        if (text.compare(start, keyword.size(), keyword) == 0) return text.substr(start);
        return keyword + (text[start] == '[' ? text.substr(start) : "[" + text.substr(start) + "]");
    }
    const char* what = nested ? "a PD code" : "a DT code";
    return keyword + (nested ? NestedText(code, what) : "[" + IntsText(code, what) + "]");
}

// The text of a knot list given as a sequence of lines or Knot objects: one line each, an empty
// one becoming a comment, so that it neither ends the list nor moves the line numbers.
std::string ListText(const py::handle& items) {
    std::string text;
    for (const py::handle item : items) {
        std::string line;
        if (py::isinstance<Knot>(item)) {
            line = item.cast<const Knot&>().line();
        } else if (py::isinstance<py::str>(item)) {
            line = item.cast<std::string>();
        } else {
            throw py::type_error("a knot list holds str lines or Knot objects, not " +
                                 std::string(py::str(py::type::handle_of(item).attr("__name__"))));
        }
        if (line.find_first_of("\r\n") != std::string::npos) {
            throw py::value_error("a line of a knot list has no line ends: \"" + line + "\"");
        }
        if (line.find_first_not_of(" \t") == std::string::npos) line = "%";
        text += line + "\n";
    }
    return text;
}

py::list Compute(const py::object& linesOrPath, bool progress, py::kwargs kwargs) {
    RunOptions options = ReadOptions(kwargs, true, "compute");
    options.progress = progress;
    const py::module_ os = py::module_::import("os");
    if (py::isinstance<py::str>(linesOrPath) || py::hasattr(linesOrPath, "__fspath__")) {
        const py::object path = os.attr("fspath")(linesOrPath);
        const py::bytes bytes =
            py::module_::import("pathlib").attr("Path")(path).attr("read_bytes")();
        const std::string fileName = py::str(os.attr("path").attr("basename")(path));
        return RunList(std::string(bytes), fileName.empty() ? "knots.txt" : fileName, py::str(path),
                       options);
    }
    if (!py::hasattr(linesOrPath, "__iter__")) {
        throw py::type_error(
            "compute() takes a path or a sequence of lines, not " +
            std::string(py::str(py::type::handle_of(linesOrPath).attr("__name__"))));
    }
    return RunList(ListText(linesOrPath), "knots.txt", "", options);
}

}  // namespace

}  // namespace corvane::python

PYBIND11_MODULE(corvane, m) {
    using corvane::python::Knot;
    using corvane::python::RunOptions;
    m.doc() = corvane::python::kModuleDoc;

    py::class_<Knot>(m, "Knot", R"(A knot, given as one line of a knot list.

The line holds an optional name and a Seifert matrix, a braid word or a diagram:
"3_1  [[-1, 0], [-1, -1]]", "3_1  {1,1,1}", "3_1  PD[[1,5,2,4],[3,1,4,6],[5,3,6,2]]"
or "3_1  DT[4, 6, 2]". A line that gives no knot raises ValueError with the reader's
text, such as "not a knot: the braid closes to 2 components"; a braid or diagram of
the unknot is refused as the knot list refuses it ("skipped: ...").

The properties compute the knot once with the default options and keep the results;
invariants() computes with any options.)")
        .def(py::init<std::string>(), py::arg("line"),
             "Knot(line): the knot of a knot-list line, in any of its notations.")
        .def_static(
            "from_seifert_matrix",
            [](const py::object& matrix, const std::string& name) {
                return corvane::python::KnotOf(
                    name, corvane::python::NestedText(matrix, "a Seifert matrix"));
            },
            py::arg("matrix"), py::arg("name") = "",
            R"(The knot with Seifert matrix `matrix`: a square matrix of ints, as nested
lists or a numpy array of integers, V with det(V - V^T) = ±1.)")
        .def_static(
            "from_braid",
            [](const py::object& word, const std::string& name) {
                return corvane::python::KnotOf(
                    name, "{" + corvane::python::IntsText(word, "a braid word") + "}");
            },
            py::arg("word"), py::arg("name") = "",
            R"(The closure of a braid word: nonzero ints, i for the generator sigma_i and -i
for its inverse. The closure must be a knot (one component).)")
        .def_static(
            "from_pd",
            [](const py::object& code, const std::string& name) {
                return corvane::python::KnotOf(name, corvane::python::CodeText(code, "PD", true));
            },
            py::arg("code"), py::arg("name") = "",
            R"(The knot of a planar diagram code: a sequence of crossings, each four edge
labels counterclockwise from the incoming under-strand. Labels 0..2n-1 (as
SnapPy's link.PD_code() gives them) and 1..2n (as the knot tables print them)
give the same knot. A text such as "[[1,5,2,4],[3,1,4,6],[5,3,6,2]]" or
"PD[...]" is read as in a knot list.)")
        .def_static(
            "from_dt",
            [](const py::object& code, const std::string& name) {
                return corvane::python::KnotOf(name, corvane::python::CodeText(code, "DT", false));
            },
            py::arg("code"), py::arg("name") = "",
            R"(The knot of a Dowker-Thistlethwaite code: the even numbers paired with
1, 3, 5, ..., negative where the crossing's over-strand is the even one, such as
[4, 6, 2] for the trefoil. A text "[4, 6, 2]" or "DT[4, 6, 2]" is read as in a
knot list.)")
        .def_property_readonly("name", &Knot::name, "The knot's name, as the knot list reads it.")
        .def_property_readonly("line", &Knot::line, "The knot-list line that gives the knot.")
        .def_property_readonly(
            "seifert_matrix", [](Knot& k) { return k.Basic("minimal_matrix"); },
            "A minimal Seifert matrix S-equivalent to the knot's, as a list of rows of ints\n"
            "([] for Alexander polynomial 1).")
        .def_property_readonly(
            "alexander_polynomial", [](Knot& k) { return k.Basic("alexander"); },
            "The Alexander polynomial det(tV - V^T) as its coefficients, from t^0 up\n"
            "(exact ints of any size).")
        .def_property_readonly(
            "determinant", [](Knot& k) { return k.Basic("determinant"); },
            "The determinant det(V + V^T) as the results file prints it; its absolute value\n"
            "is that of the Alexander polynomial at -1.")
        .def_property_readonly(
            "h1_double_cover", [](Knot& k) { return k.Basic("h1_double_cover"); },
            "The homology of the 2-fold branched cover as the orders d of its cyclic\n"
            "summands Z/d ([] for the trivial group).")
        .def_property_readonly(
            "signature", [](Knot& k) { return k.Basic("signature"); }, "The signature of V + V^T.")
        .def_property_readonly(
            "mahler_measure", [](Knot& k) { return k.Basic("mahler"); },
            "The logarithmic Mahler measure of the Alexander polynomial, a float.")
        .def_property_readonly(
            "mu", [](Knot& k) { return k.Mu(); }, "mu(K), an int (None where it is not computed).")
        .def(
            "levine_tristram",
            [](const Knot& k, const py::object& values) -> py::object {
                // The item is taken before the dict that holds it goes.
                py::kwargs options;
                options["lt_values"] = values;
                const py::dict all =
                    k.Invariants(corvane::python::ReadOptions(options, false, "levine_tristram"));
                return all["levine_tristram"];
            },
            py::arg("values") = 16,
            R"(The Levine-Tristram signatures at `values` roots of unity (16, 128, 1024 or
8192), as {"values": n, "min": least, "max": greatest}; as in the results file, a
single value s is given as the extreme it is (min when s < 0, max when s > 0).)")
        .def(
            "invariants",
            [](const Knot& k, py::kwargs kwargs) {
                return k.Invariants(corvane::python::ReadOptions(kwargs, false, "invariants"));
            },
            R"(invariants(**options) -> dict

Every invariant of the knot with the options (see the module's help), as the dict
that `corvane-cli --json` writes for it: name, input, status, minimal_matrix,
alexander, determinant, h1_double_cover, signature, levine_tristram, mahler, mu,
unknotting (bounds, detections and certificates), nakanishi, generator,
blanchfield, presentation and errors.)")
        .def("__repr__", [](const Knot& k) {
            return "corvane.Knot(" + std::string(py::repr(py::str(k.line()))) + ")";
        });

    m.def("compute", &corvane::python::Compute, py::arg("lines_or_path"),
          py::arg("progress") = false,
          R"(compute(lines_or_path, progress=False, **options) -> list of dicts

Computes a knot list: a path (str or os.PathLike) of a knot list or results file, or
a sequence of lines (str) and Knot objects. Returns one dict per knot in list order,
each exactly the object `corvane-cli --json` writes for it with the same options
(see the module's help; jobs sets the number of knots computed side by side). A line
that is not a knot gives a dict with status "error" and the reason in "errors";
lines the reader skips give none and a warning. An empty line of a sequence is
passed over. Nothing is written beside the list.

The computation runs without the GIL. progress=True shows the command line's
progress line on sys.stderr. Ctrl-C stops the run at its next polling point and
raises KeyboardInterrupt; a reading error raises ValueError with the reader's text.)");
}
