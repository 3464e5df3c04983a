// corvane-cli: the headless front end. It runs exactly what the window's Start runs, with the
// options given on the command line, and writes the same results files beside the knot list.
// A list can also be computed in shards, K of N, on many processes or machines: each shard run
// writes a shard file, and a merge writes the results files that one run would have written.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "arith/checked.h"
#include "arith/errors.h"
#include "arith/sequivalence.h"
#include "driver/cli_host.h"
#include "driver/run_calculation.h"
#include "input/diagram.h"
#include "input/knot_list.h"
#include "input/results_file.h"
#include "knot/run_state.h"
#include "knot/step_times.h"
#include "knot/text_forms.h"
#include "output/json_results.h"
#include "output/latex_results.h"
#include "output/shard_file.h"
#include "output/text_results.h"
#include "unknotting/certificate_check.h"
#include "unknotting/linking_forms.h"

namespace {

using corvane::RunSettings;

constexpr const char* kVersion = "corvane-cli 0.1.0";

constexpr const char* kSynopsis =
    "usage: corvane-cli [options] KNOTLIST\n"
    "       corvane-cli --shard=K/N [options] KNOTLIST\n"
    "       corvane-cli --merge [options] KNOTLIST\n"
    "       corvane-cli --verify RESULTS.jsonl\n";

constexpr const char* kDescription =
    R"(Computes the invariants of every knot of KNOTLIST, which holds
a name and a Seifert matrix, a braid word or a diagram (PD or DT code) per line, such as
"3_1  [[-1, 0], [-1, -1]]", "3_1  {1,1,1}", "3_1  PD[[1,5,2,4],[3,1,4,6],[5,3,6,2]]" or
"3_1  DT[4, 6, 2]". The results go beside it, as NAME_output.txt and NAME_output.tex. A results
file given as KNOTLIST resumes its run: its rows are kept and the other knots are computed.)";

constexpr const char* kFooter =
    "Exit status: 0 done, 1 error, 2 usage error, 130 stopped (Ctrl-C).\n";

// The option groups of the help, in the order shown.
constexpr std::array<const char*, 4> kGroups{"What to compute", "Columns of the results file",
                                             "Running", "Clusters"};

const std::vector<std::string> kEfforts(corvane::kEffortNames.begin(), corvane::kEffortNames.end());
const std::vector<std::string> kLtValues(corvane::kLtValueNames.begin(),
                                         corvane::kLtValueNames.end());
const std::vector<std::string> kMahlerValues(corvane::kMahlerValueNames.begin(),
                                             corvane::kMahlerValueNames.end());
const std::vector<std::string> kColumns{"alexander", "h1l2",        "determinant", "generator",
                                        "nakanishi", "blanchfield", "unknotting",  "mahler",
                                        "signature", "lt",          "presentation"};

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
    int jobs = 1;
    uint64_t seed = 0;
    bool randomize = false;
    bool quiet = false;
    bool minimalMatrices = false;
    int shardNumber = 0;  // K of --shard=K/N, 0 without
    int shardCount = 0;   // N
    bool merge = false;
    bool json = false;    // also write NAME_output.jsonl
    bool verify = false;  // check the certificates of a JSON Lines results file
};

// Every core of the machine, at least one.
int DefaultJobs() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

// "a, b or c".
std::string Alternatives(const std::vector<std::string>& words) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) text += i + 1 == words.size() ? " or " : ", ";
        text += words[i];
    }
    return text;
}

std::size_t IndexOf(const std::vector<std::string>& words, const std::string& word) {
    return static_cast<std::size_t>(std::find(words.begin(), words.end(), word) - words.begin());
}

// Accepts one of the words; the message of a failure lists them.
CLI::Validator OneOf(const std::vector<std::string>& words) {
    return CLI::Validator(
        [words](std::string& value) -> std::string {
            if (IndexOf(words, value) < words.size()) return {};
            return "takes " + Alternatives(words) + ", not \"" + value + "\"";
        },
        "");
}

// Accepts a comma-separated list of column names.
CLI::Validator ColumnNames() {
    return CLI::Validator(
        [](std::string& value) -> std::string {
            std::stringstream items(value);
            std::string item;
            while (std::getline(items, item, ',')) {
                if (!item.empty() && IndexOf(kColumns, item) == kColumns.size())
                    return "unknown column: " + item;
            }
            return {};
        },
        "");
}

// A whole decimal number of at least `least`, or nothing.
std::optional<int> Number(std::string_view text, int least) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < least) return std::nullopt;
    return value;
}

// A run seed: a decimal number of 64 bits without sign.
std::optional<uint64_t> SeedOf(std::string_view text) {
    uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

// K and N of "K/N", 1 <= K <= N; nothing when the text is not of that form.
std::optional<std::pair<int, int>> ShardOf(std::string_view text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::optional<int> k = Number(text.substr(0, slash), 1);
    const std::optional<int> n = Number(text.substr(slash + 1), 1);
    if (!k || !n || *k > *n) return std::nullopt;
    return std::pair(*k, *n);
}

void SetColumns(RunSettings& s, const std::string& list) {
    const std::array<bool RunSettings::*, 11> kFlags{
        &RunSettings::alexander,           &RunSettings::h1l2,
        &RunSettings::determinant,         &RunSettings::generator,
        &RunSettings::nakanishi,           &RunSettings::blanchfield,
        &RunSettings::algebraicUnknotting, &RunSettings::mahler,
        &RunSettings::signature,           &RunSettings::levineTristram,
        &RunSettings::presentationMatrix};
    for (bool RunSettings::*flag : kFlags) s.*flag = false;
    std::stringstream items(list);
    std::string item;
    while (std::getline(items, item, ',')) {
        const std::size_t index = IndexOf(kColumns, item);
        if (index < kFlags.size()) s.*kFlags[index] = true;
    }
}

// The help: synopsis, description, the options by group in two columns, exit statuses.
class HelpFormatter : public CLI::Formatter {
  public:
    HelpFormatter() { column_width(30); }

    std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode) const override {
        std::string help = std::string(kSynopsis) + "\n" + app->get_description() + "\n";
        for (const char* group : kGroups) {
            const auto options = app->get_options(
                [group](const CLI::Option* opt) { return opt->get_group() == group; });
            if (!options.empty()) help += "\n" + make_group(group, false, options);
        }
        return help + "\n" + app->get_footer();
    }

    std::string make_group(std::string group, bool,
                           std::vector<const CLI::Option*> options) const override {
        std::string text = group + ":\n";
        for (const CLI::Option* opt : options) text += make_option(opt, false);
        return text;
    }

    // "--name=VALUE", or "--name, -x" for a flag with a short name too.
    std::string make_option_name(const CLI::Option* opt, bool) const override {
        std::string name;
        for (const std::string& l : opt->get_lnames()) name += (name.empty() ? "--" : ", --") + l;
        for (const std::string& s : opt->get_snames()) name += (name.empty() ? "-" : ", -") + s;
        return name + opt->get_option_text();
    }

    std::string make_option_opts(const CLI::Option*) const override { return {}; }
};

// The parser, storing into `o` and the raw texts that are turned into settings afterwards.
struct Parser {
    CLI::App app{kDescription, "corvane-cli"};
    std::string unknottingEffort = "low";
    std::string nakanishiEffort = "medium";
    std::string ltValues = "16";
    std::string mahlerValues = "16384";
    std::string columns;
    std::string shard;
    std::string seed;
    bool allColumns = false;

    explicit Parser(Options& o) {
        app.formatter(std::make_shared<HelpFormatter>());
        app.footer(kFooter);
        app.set_help_flag();
        app.set_version_flag();

        const char* compute = kGroups[0];
        app.add_option("--unknotting-effort", unknottingEffort,
                       "low, medium, large or very-large; default low")
            ->check(OneOf(kEfforts))
            ->option_text("=EFFORT")
            ->group(compute);
        app.add_option("--nakanishi-effort", nakanishiEffort,
                       "low, medium, large or very-large; default medium")
            ->check(OneOf(kEfforts))
            ->option_text("=EFFORT")
            ->group(compute);
        app.add_option("--lt-values", ltValues,
                       "16, 128, 1024 or 8192 Levine-Tristram values; default 16\n"
                       "(8192 samples 8096 values)")
            ->check(OneOf(kLtValues))
            ->option_text("=N")
            ->group(compute);
        app.add_option("--mahler-values", mahlerValues,
                       "128, 16384 or 2097152 Mahler measure values; default 16384")
            ->check(OneOf(kMahlerValues))
            ->option_text("=N")
            ->group(compute);
        app.add_flag("--compute-all", o.settings.computeAll, "run every obstruction on every knot")
            ->group(compute);
        app.add_flag("--mu", o.settings.computeMu, "compute mu(K)")->group(compute);
        app.add_flag("--check-u3", o.settings.checkU3,
                     "check the obstruction to u=3 (writes cong34.txt)")
            ->group(compute);

        const char* printed = kGroups[1];
        CLI::Option* list = app.add_option("--columns", columns,
                                           "comma-separated from alexander,h1l2,determinant,\n"
                                           "generator,nakanishi,blanchfield,unknotting,mahler,\n"
                                           "signature,lt,presentation\n"
                                           "default: alexander,nakanishi,unknotting,signature")
                                ->check(ColumnNames())
                                ->option_text("=LIST")
                                ->group(printed);
        app.add_flag("--all-columns", allColumns, "every column")->excludes(list)->group(printed);
        app.add_flag("--json", o.json,
                     "also write NAME_output.jsonl beside the results file:\n"
                     "one JSON object per knot, every value of every column")
            ->group(printed);

        const char* running = kGroups[2];
        o.jobs = DefaultJobs();
        app.add_option("--jobs", o.jobs,
                       "compute N knots side by side; default: every core (" +
                           std::to_string(o.jobs) + " here)")
            ->check(CLI::Range(1, 1 << 16))
            ->option_text("=N")
            ->group(running);
        CLI::Option* seedOption =
            app.add_option("--seed", seed,
                           "seed of the random choices, default 0: a knot's results\n"
                           "depend on the options, the seed and the knot alone")
                ->check(CLI::Validator(
                    [](std::string& value) -> std::string {
                        if (SeedOf(value)) return {};
                        return "takes a whole number from 0 to 2^64 - 1, not \"" + value + "\"";
                    },
                    ""))
                ->option_text("=N")
                ->group(running);
        app.add_flag("--randomize", o.randomize,
                     "draw a seed from the clock and show it, to repeat the run with")
            ->excludes(seedOption)
            ->group(running);
        app.add_flag("--quiet", o.quiet, "no status output")->group(running);
        CLI::Option* minimal =
            app.add_flag("--minimal-matrices", o.minimalMatrices,
                         "only print each knot's minimal S-equivalent Seifert matrix")
                ->group(running);
        app.set_help_flag("--help,-h", "this help")->group(running);
        app.set_version_flag("--version", kVersion, "the version")->group(running);

        const char* clusters = kGroups[3];
        CLI::Option* part = app.add_option("--shard", shard,
                                           "compute only the knots i with (i - 1) mod N = K - 1,\n"
                                           "into NAME_output.shard-K-of-N.txt beside KNOTLIST")
                                ->check(CLI::Validator(
                                    [](std::string& value) -> std::string {
                                        if (ShardOf(value)) return {};
                                        return "takes K/N with 1 <= K <= N, not \"" + value + "\"";
                                    },
                                    ""))
                                ->option_text("=K/N")
                                ->excludes(minimal)
                                ->group(clusters);
        app.add_flag("--merge", o.merge,
                     "write the results files from the shard files beside\n"
                     "KNOTLIST, as one run with these options would")
            ->excludes(part)
            ->excludes(minimal)
            ->group(clusters);

        app.add_flag("--verify", o.verify,
                     "check the certificate of every bound in the JSON Lines\n"
                     "results file given as KNOTLIST, independently of the\n"
                     "searches that found them")
            ->excludes(part)
            ->excludes(minimal)
            ->group(compute);

        app.add_option("KNOTLIST", o.knotList, "the knot list")->required();
    }
};

void ParseOptions(Parser& parser, Options& o, int argc, char** argv) {
    parser.app.parse(argc, argv);
    RunSettings& s = o.settings;
    s.unknottingEffort = static_cast<int32_t>(IndexOf(kEfforts, parser.unknottingEffort));
    s.nakanishiEffort = static_cast<int32_t>(IndexOf(kEfforts, parser.nakanishiEffort));
    s.ltValueCount =
        corvane::LevineTristramValueCount(static_cast<int>(IndexOf(kLtValues, parser.ltValues)));
    s.mahlerValueCount =
        corvane::MahlerValueCount(static_cast<int>(IndexOf(kMahlerValues, parser.mahlerValues)));
    if (!parser.columns.empty()) SetColumns(s, parser.columns);
    if (parser.allColumns)
        SetColumns(s,
                   "alexander,h1l2,determinant,generator,nakanishi,"
                   "blanchfield,unknotting,mahler,signature,lt,presentation");
    if (const auto seed = SeedOf(parser.seed)) o.seed = *seed;
    if (const auto shard = ShardOf(parser.shard)) {
        o.shardNumber = shard->first;
        o.shardCount = shard->second;
    }
    if (o.randomize && (o.shardCount > 0 || o.merge)) {
        throw UsageError{
            "--randomize would draw another seed for every shard: give every shard and the merge "
            "the same --seed=N instead"};
    }
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

// Checks every knot of a JSON Lines results file: a line on stdout for every knot whose bounds
// are not all certified, a summary, and 1 when any is not (or the file cannot be read).
int Verify(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "Error! cannot open " << path << "\n";
        return 1;
    }
    int knots = 0;
    int failed = 0;
    int lineNumber = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        if (line.empty()) continue;
        const auto knot = corvane::ParseJsonExactly(line);
        if (knot.is_discarded() || !knot.is_object()) {
            std::cout << path << ":" << lineNumber << ": not a JSON object\n";
            ++failed;
            continue;
        }
        ++knots;
        const corvane::CertificateVerdict verdict =
            corvane::CheckKnotCertificates(knot, corvane::PdMatrixText);
        if (verdict.ok()) continue;
        ++failed;
        const std::string name = knot.value("name", "");
        for (const std::string& failure : verdict.failures) {
            std::cout << path << ":" << lineNumber << ": " << name << ": " << failure << "\n";
        }
    }
    std::cout << knots << " knots, " << failed << (failed == 1 ? " fails" : " fail")
              << " the check of its certificates\n";
    return failed == 0 ? 0 : 1;
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

// The file a run writes: the shard file of a shard run, the text results file otherwise.
std::filesystem::path WrittenFile(const Options& o) {
    if (o.shardCount > 0) return corvane::ShardFilePath(o.knotList, o.shardNumber, o.shardCount);
    return corvane::ResultsFilePath(o.knotList);
}

// Lists longer than this keep their knots on disk while they wait and once they are finished;
// CORVANE_SPILL_ABOVE=N sets another length (0 puts every knot there, as the tests do).
void SetSpillAbove(corvane::RunState& state) {
    const char* above = std::getenv("CORVANE_SPILL_ABOVE");
    if (above != nullptr && *above != '\0') state.Knots.SetSpillAbove(std::atoi(above));
}

int Run(const Options& options) {
    corvane::RunState state;
    SetSpillAbove(state);
    state.Settings = options.settings;
    state.Jobs = options.jobs;
    state.RunSeed = options.seed;
    state.ShardNumber = options.shardNumber;
    state.ShardCount = options.shardCount;
    state.JsonLines = options.json;
    // Only JSON objects carry certificates: a shard file's knots become JSON objects at the merge.
    state.Certificates = options.json || options.shardCount > 0;
    if (options.randomize) {
        const uint64_t seed = corvane::Randomize(state);
        std::cerr << "seed " << seed << " (repeat with --seed=" << seed << ")\n";
    }
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
    // For the benchmarks: how much of the run went into writing the results files.
    if (std::getenv("CORVANE_REPORT_WRITES") != nullptr) {
        std::cerr << "results files written " << outcome.resultsWrites << " times in "
                  << outcome.resultsWriteSeconds << " s\n";
    }
    if (std::getenv("CORVANE_STEP_TIMES") != nullptr) std::cerr << corvane::StepTimesReport();
    if (outcome.end != corvane::RunEnd::CannotOpen &&
        outcome.end != corvane::RunEnd::AlreadyRunning)
        std::cout << "Results: " << WrittenFile(options).string() << "\n";
    return ExitStatus(outcome);
}

// "2, 5 and 7 of 8 (NAME.shard-2-of-8.txt, ...)".
std::string ShardNames(const std::vector<int>& shards, int count, const std::string& list) {
    std::string numbers;
    std::string files;
    for (std::size_t i = 0; i < shards.size(); ++i) {
        const std::string sep = i == 0 ? "" : (i + 1 == shards.size() ? " and " : ", ");
        numbers += sep + std::to_string(shards[i]);
        files += (i == 0 ? "" : ", ") + corvane::ShardFileName(list, shards[i], count);
    }
    return numbers + " of " + std::to_string(count) + " (" + files + ")";
}

// The results files of the list from the shard files beside it, as one run with these options
// writes them. Knots of shards that are missing or unfinished stay list lines.
int Merge(const Options& options) {
    corvane::RunState state;
    SetSpillAbove(state);
    state.Settings = options.settings;
    state.RunSeed = options.seed;
    const std::filesystem::path list = options.knotList;
    const corvane::KnotListStatus input = corvane::ReadInput(state, list);
    if (!input.opened) {
        std::cerr << "Error! cannot open " << list.string() << ": " << input.reason << "\n";
        return 1;
    }
    corvane::ResetForRunStart(state);
    const int readingErrorLine = state.InputErrorLine;
    // As in a run: a reading error is the final word only when no knot is computed after it.
    if (std::any_of(state.Knots.begin(), state.Knots.end(),
                    [](const corvane::KnotRecord& k) { return !k.takenOver; })) {
        state.InputError = false;
    }
    const corvane::MergeReport report = corvane::MergeShards(state, list);
    if (!report.refusal.empty()) {
        std::cerr << "Error! cannot merge: " << report.refusal << "\n";
        return 1;
    }

    std::vector<corvane::WriteStatus> writes;
    if (state.Settings.checkU3) {
        writes.push_back(corvane::WriteFileAtomically(
            list.parent_path() / "cong34.txt",
            corvane::FormTable3Text(corvane::BuildFormTables(true).FormTable3)));
    }
    writes.push_back(corvane::WriteTextResults(state, list));
    writes.push_back(corvane::WriteLatexResults(state, list));
    if (options.json) writes.push_back(corvane::WriteJsonResults(state, list));

    int status = 0;
    const std::string name = list.filename().string();
    if (!report.missing.empty()) {
        std::cerr << "Error! shards missing: " << ShardNames(report.missing, report.count, name)
                  << "\n";
        status = 1;
    }
    if (!report.unfinished.empty()) {
        std::cerr << "Error! shards unfinished: "
                  << ShardNames(report.unfinished, report.count, name) << "\n";
        status = 1;
    }
    if (status != 0) {
        std::cerr << "Their knots stay list lines in the results file; a run of the results file "
                     "computes them.\n";
    }
    if (state.InputError) {
        std::cerr << "Error! " << state.InputErrorText << "\n";
        status = 1;
    } else if (readingErrorLine > 0) {
        std::cerr << "Error! reading stopped at line " << readingErrorLine << ": "
                  << state.InputErrorText << "\n";
        status = 1;
    }
    for (const corvane::WriteStatus& write : writes) {
        if (write.ok) continue;
        std::cerr << "Error! " << write.error << "\n";
        status = 1;
    }
    std::cout << "Results: " << corvane::ResultsFilePath(list).string() << "\n";
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    Parser parser(options);
    try {
        ParseOptions(parser, options, argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << parser.app.help();
        return 0;
    } catch (const CLI::CallForVersion&) {
        std::cout << kVersion << "\n";
        return 0;
    } catch (const CLI::ParseError& error) {
        std::cerr << "corvane-cli: " << error.what() << "\n\n" << parser.app.help();
        return 2;
    } catch (const UsageError& error) {
        std::cerr << "corvane-cli: " << error.message << "\n\n" << parser.app.help();
        return 2;
    }
    if (options.minimalMatrices) return PrintMinimalMatrices(options.knotList);
    if (options.verify) return Verify(options.knotList);
    if (options.merge) return Merge(options);
    return Run(options);
}
