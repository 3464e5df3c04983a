// corvane-cli: the headless front end. It runs exactly what the window's Start runs, with the
// options given on the command line, and writes the same results files beside the knot list.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "arith/checked.h"
#include "arith/errors.h"
#include "arith/sequivalence.h"
#include "cli/cli_host.h"
#include "driver/run_calculation.h"
#include "driver/run_state.h"
#include "input/knot_list.h"
#include "knot/text_forms.h"
#include "output/text_results.h"

namespace {

using corvane::RunSettings;

constexpr const char* kVersion = "corvane-cli 0.1.0";

constexpr const char* kUsage = R"(usage: corvane-cli [options] KNOTLIST

Computes the invariants of every knot of KNOTLIST (a name and a Seifert matrix or a braid word
per line) and writes the results beside it, as NAME_output.txt.

  --unknotting-effort=low|medium|large|very-large   default low
  --nakanishi-effort=low|medium|large|very-large    default medium
  --lt-values=16|128|1024|8192                      default 16 (8192 samples 8096 values)
  --mahler-values=128|16384|2097152                 default 16384
  --compute-all     run every obstruction on every knot
  --mu              compute mu(K)
  --check-u3        check the obstruction to u=3 (writes cong34.txt)
  --columns=LIST    comma-separated from alexander,h1l2,determinant,generator,nakanishi,
                    blanchfield,unknotting,mahler,signature,lt,presentation
                    default: alexander,nakanishi,unknotting,signature
  --all-columns     every column
  --randomize       advance the random generator by a clock-dependent number of draws
  --quiet           no status output
  --minimal-matrices  only print each knot's minimal S-equivalent Seifert matrix
  --help, --version

Exit status: 0 done, 1 error, 2 usage error, 130 stopped (Ctrl-C).
)";

std::atomic<bool>* gStopFlag = nullptr;

extern "C" void OnInterrupt(int) {
    if (gStopFlag != nullptr) gStopFlag->store(true);
    std::signal(SIGINT, SIG_DFL);  // a second Ctrl-C ends the program at once
}

struct UsageError {
    std::string message;
};

struct Options {
    RunSettings settings;
    std::string knotList;
    bool randomize = false;
    bool quiet = false;
    bool minimalMatrices = false;
    bool help = false;
    bool version = false;
};

int Effort(const std::string& value, const std::string& option) {
    static const std::map<std::string, int> kEfforts{
        {"low", 0}, {"medium", 1}, {"large", 2}, {"very-large", 3}};
    const auto it = kEfforts.find(value);
    if (it == kEfforts.end()) throw UsageError{option + " takes low, medium, large or very-large"};
    return it->second;
}

int Choice(const std::string& value, const std::string& option,
           const std::map<std::string, int>& choices) {
    const auto it = choices.find(value);
    if (it == choices.end()) throw UsageError{"unknown value for " + option + ": " + value};
    return it->second;
}

void SetColumns(RunSettings& s, const std::string& list) {
    s.alexander = s.h1l2 = s.determinant = s.generator = s.nakanishi = s.blanchfield = false;
    s.algebraicUnknotting = s.mahler = s.signature = s.levineTristram = s.presentationMatrix =
        false;
    const std::map<std::string, bool RunSettings::*> kColumns{
        {"alexander", &RunSettings::alexander},
        {"h1l2", &RunSettings::h1l2},
        {"determinant", &RunSettings::determinant},
        {"generator", &RunSettings::generator},
        {"nakanishi", &RunSettings::nakanishi},
        {"blanchfield", &RunSettings::blanchfield},
        {"unknotting", &RunSettings::algebraicUnknotting},
        {"mahler", &RunSettings::mahler},
        {"signature", &RunSettings::signature},
        {"lt", &RunSettings::levineTristram},
        {"presentation", &RunSettings::presentationMatrix}};
    std::stringstream items(list);
    std::string item;
    while (std::getline(items, item, ',')) {
        if (item.empty()) continue;
        const auto it = kColumns.find(item);
        if (it == kColumns.end()) throw UsageError{"unknown column: " + item};
        s.*(it->second) = true;
    }
}

Options ParseOptions(const std::vector<std::string>& args) {
    Options o;
    for (const std::string& arg : args) {
        const size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const std::optional<std::string> value =
            eq == std::string::npos ? std::nullopt : std::optional(arg.substr(eq + 1));
        const auto needValue = [&]() -> const std::string& {
            if (!value) throw UsageError{name + " needs a value"};
            return *value;
        };
        if (name == "--unknotting-effort") {
            o.settings.unknottingEffort = Effort(needValue(), name);
        } else if (name == "--nakanishi-effort") {
            o.settings.nakanishiEffort = Effort(needValue(), name);
        } else if (name == "--lt-values") {
            o.settings.ltValueCount = corvane::LevineTristramValueCount(
                Choice(needValue(), name, {{"16", 0}, {"128", 1}, {"1024", 2}, {"8192", 3}}));
        } else if (name == "--mahler-values") {
            o.settings.mahlerValueCount = corvane::MahlerValueCount(
                Choice(needValue(), name, {{"128", 0}, {"16384", 1}, {"2097152", 2}}));
        } else if (name == "--columns") {
            SetColumns(o.settings, needValue());
        } else if (arg == "--all-columns") {
            SetColumns(o.settings,
                       "alexander,h1l2,determinant,generator,nakanishi,blanchfield,"
                       "unknotting,mahler,signature,lt,presentation");
        } else if (arg == "--compute-all") {
            o.settings.computeAll = true;
        } else if (arg == "--mu") {
            o.settings.computeMu = true;
        } else if (arg == "--check-u3") {
            o.settings.checkU3 = true;
        } else if (arg == "--randomize") {
            o.randomize = true;
        } else if (arg == "--quiet") {
            o.quiet = true;
        } else if (arg == "--minimal-matrices") {
            o.minimalMatrices = true;
        } else if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (arg.starts_with("-") && arg != "-") {
            throw UsageError{"unknown option: " + arg};
        } else if (o.knotList.empty()) {
            o.knotList = arg;
        } else {
            throw UsageError{"only one knot list, please: " + arg};
        }
    }
    if (!o.help && !o.version && o.knotList.empty()) throw UsageError{"no knot list given"};
    return o;
}

// Each knot's name and minimal S-equivalent matrix, without computing invariants.
int PrintMinimalMatrices(const std::string& knotList) {
    corvane::RunState state;
    const corvane::KnotListStatus status = corvane::ReadKnotList(state, knotList);
    if (!status.opened) {
        std::cerr << "Error! cannot open " << knotList << ": " << status.reason << "\n";
        return 1;
    }
    for (const corvane::LineNote& note : state.LineNotes) {
        std::cerr << knotList << ":" << note.line << ": " << note.Text() << "\n";
    }
    for (const corvane::KnotRecord& knot : state.Knots) {
        std::string text = corvane::NotAKnotReason(knot);
        if (!text.empty()) {
            std::cerr << knotList << ":" << knot.lineNumber << ": " << text << "\n";
            std::cout << knot.name << "\t" << text << "\n";
            continue;
        }
        try {
            const auto reduced =
                corvane::MinimalSEquivalent(corvane::WorkingForm(knot.seifert), knot.size);
            text = corvane::ArithTrouble
                       ? "Error in S-equivalence reduction"
                       : corvane::MatrixToText(reduced.matrix, reduced.ReducedSize);
        } catch (const corvane::CalculationError& error) {
            text = std::string("Error in S-equivalence reduction: ") + error.what();
        }
        std::cout << knot.name << "\t" << text << "\n";
    }
    if (state.InputError) {
        std::cerr << "Error! reading stopped at line " << state.InputErrorLine << ": "
                  << state.InputErrorText << "\n";
        return 1;
    }
    return 0;
}

int ExitStatus(const corvane::RunOutcome& outcome) {
    switch (outcome.end) {
        case corvane::RunEnd::Stopped:
            return 130;
        case corvane::RunEnd::Done:
            return outcome.writeFailure.empty() ? 0 : 1;
        default:
            return 1;
    }
}

int Run(const Options& options) {
    corvane::RunState state;
    state.Settings = options.settings;
    if (options.randomize) corvane::Randomize(state);
    corvane::CliHost host(options.quiet, isatty(STDERR_FILENO) != 0, options.knotList);

    gStopFlag = &state.StopRequested;
    std::signal(SIGINT, OnInterrupt);
    const corvane::RunOutcome outcome = corvane::RunCalculation(state, host, options.knotList);
    std::signal(SIGINT, SIG_DFL);
    gStopFlag = nullptr;
    host.EndProgress();

    if (outcome.end == corvane::RunEnd::ReadingStopped) {
        std::cerr << "Error! reading stopped at line " << outcome.errorLine << ": "
                  << outcome.message << "\n";
    }
    if (!outcome.writeFailure.empty()) std::cerr << "Error! " << outcome.writeFailure << "\n";
    if (outcome.end != corvane::RunEnd::CannotOpen &&
        outcome.end != corvane::RunEnd::AlreadyRunning)
        std::cout << "Results: " << corvane::ResultsFilePath(options.knotList).string() << "\n";
    return ExitStatus(outcome);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& error) {
        std::cerr << "corvane-cli: " << error.message << "\n\n" << kUsage;
        return 2;
    }
    if (options.help) {
        std::cout << kUsage;
        return 0;
    }
    if (options.version) {
        std::cout << kVersion << "\n";
        return 0;
    }
    if (options.minimalMatrices) return PrintMinimalMatrices(options.knotList);
    return Run(options);
}
