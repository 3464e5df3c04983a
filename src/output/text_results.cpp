#include "output/text_results.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

#include "arith/checked.h"
#include "invariants/mahler.h"
#include "invariants/signature_nullity.h"
#include "knot/padding.h"
#include "output/statistics.h"

namespace corvane {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kNameWidth = 10;
constexpr std::size_t kBoundWidth = 42;
constexpr std::string_view kOutputMark = "_output";

void AppendLine(std::string& out, std::string_view line) {
    out += line;
    out += kLineEnd;
}

// Comma-separated L, L+1, ..., L+steps. 64-bit, so that no bound near the 32-bit limits
// overflows.
std::string BoundRange(int64_t lower, int steps) {
    std::string text = std::to_string(lower);
    for (int k = 1; k <= steps; ++k) {
        text += ',';
        text += std::to_string(lower + k);
    }
    return text;
}

std::string BoundCases(int32_t lowerBound, int32_t upperBound) {
    const int64_t lower = lowerBound;
    const int64_t upper = upperBound;
    const int64_t spread = upper - lower;
    if (!UnknottingBoundKnown(lowerBound, upperBound)) return {};
    if (upper == -1 && lower != -1) return std::string("> ").append(std::to_string(lower - 1));
    if (spread >= 0 && spread <= 3)
        return std::string("  ").append(BoundRange(lower, static_cast<int>(spread)));
    return {};
}

// What the Mahler column holds and how it was computed; the value count sets only the printed
// decimals and the fallback of the rare polynomial whose roots are not found.
std::string MahlerPreambleLine(int64_t valueCount) {
    return "* The Mahler measure is given as its logarithm, computed from the roots of the "
           "Alexander polynomial and printed to " +
           std::to_string(MahlerDecimals(valueCount)) +
           " decimals (where the roots are not found, as the mean of log|Delta| over " +
           std::to_string(valueCount) + " points of the unit circle)";
}

// Whether the signature-nullity bound decided a lower bound of the table: only then does the
// preamble list it.
bool SignatureNullityUsed(const RunState& state) {
    for (const KnotRecord& knot : state.Knots) {
        if (knot.detectedBy == kSignatureNullityName) return true;
    }
    return false;
}

void AppendPreamble(std::string& out, const RunSettings& settings, bool signatureNullity) {
    AppendLine(out, "Let K be a knot with 2n x 2n - Seifert matrix V.");
    AppendLine(out, "We use the following abbreviations, definitions and normalizations:");
    AppendLine(out, "Alexander polynomial = t^-n det(Vt-V^T)");
    AppendLine(out, "det(K)  = determinant of K = Alexander polynomial evaluated at t=-1");
    AppendLine(out, "sign(K) = signature of K = sign(V+V^T)");
    AppendLine(out,
               "the algebraic unknotting number is the minimal number of crossing changes "
               "required to turn K into an Alexander polynomial one knot");
    AppendLine(out, "L_2(K)  = 2-fold branched cover of K");
    AppendLine(out,
               "L_n(K)  = n-fold branched cover of K, we view its homology H_1(L_n) as a module "
               "over the group Z[Z/n]");
    if (settings.mahler) {
        AppendLine(out, "Mahler(K) = Mahler measure of the Alexander polynomial");
    }
    AppendLine(out,
               "A(F_p)  = Alexander module H_1(S^3\\K;F_p[t,t^-1]) over the finite field F_p, the "
               "minimal number of generators gives a lower bound on the Nakanishi index");
    AppendLine(out, "sign(t) = Levine-Tristram signature at exp(2*pi*i*t), with t in [0,1]");
    AppendLine(out, "Remarks regarding the subsequent table:");
    if (settings.generator) {
        AppendLine(out,
                   "* By a generator of H_1(X(K),Z[t,t^-1]) we mean a generator of "
                   "Z[t,t^-1]^2g/(Vt-V^T) where V is the non-degenerate 2g x 2g Seifert matrix "
                   "given to the right");
    }
    if (settings.blanchfield) {
        AppendLine(out,
                   "* The Blanchfield pairing for a given generator of the Alexander module has to "
                   "be divided by the Alexander polynomial and it has to be divided by "
                   "t^(deg Delta_K(t)/2)");
    }
    const int64_t n = settings.ltValueCount;
    AppendLine(out,
               "* The maximum of the Levine-Tristram signatures is computed for all roots of "
               "unity z=exp(2pi*i*k/" +
                   std::to_string(n) + "), k=1,...," + std::to_string(n - 1));
    AppendLine(out,
               "  The maximum will only be mentioned in the output file if the absolute value of "
               "the maximum is larger than the absolute value of the ordinary signature");
    if (settings.mahler) {
        AppendLine(out, MahlerPreambleLine(settings.mahlerValueCount));
    }
    AppendLine(out,
               "* The upper bounds on the algebraic unknotting number come from algebraic "
               "unknotting moves found by the program");
    AppendLine(out,
               "  the program indicates which obstruction gives the non-trivial lower bounds on "
               "the algebraic unknotting number of a given knot");
    AppendLine(out,
               "  The program uses the following data and obstructions to find lower bounds on "
               "the unknotting number,");
    AppendLine(out, "  these are applied in the order given here:");
    AppendLine(out, "  + Number of generators of H_1(L_2)    (Wendt criterion)");
    AppendLine(out, "  + Absolute value of signature divided by two (Murasugi)");
    AppendLine(out, "  + Maximal difference in Levine-Tristram signatures");
    if (settings.computeMu) AppendLine(out, "  + mu(K)");
    AppendLine(out, "  + Lickorish test");
    AppendLine(out, "  + Number of generators of the Alexander module over a finite field");
    AppendLine(out,
               "  + Check whether H_1(L_n) as a module over Z[Z/n] is generated by one element");
    AppendLine(out, "  + Stoimenow test for u(K)=2");
    AppendLine(out,
               "  + Test whether linking form on H_1(L_2) can be represented by an appropriate "
               "2x2-matrix");
    if (settings.checkU3) {
        AppendLine(out,
                   "  + Test whether linking form on H_1(L_2) can be represented by an "
                   "appropriate 3x3-matrix");
    }
    if (signatureNullity) {
        AppendLine(out,
                   "  + Signature-nullity bound: max (eta+sigma)/2 + max (eta-sigma)/2 over the "
                   "unit circle");
    }
    AppendLine(out, "Corvane computed the following data:");
}

// A column of the header: whether the options print it, and its heading text.
struct Column {
    bool printed;
    std::string heading;
};

std::string KnotLine(const RunState& state, const KnotRecord& knot) {
    return KnotTableLine(knot, state.Settings);
}

// The reader keeps its message in InputErrorText as well as in the per-thread TroubleCode, which
// a later computation on this thread may have cleared; TroubleCode serves only when no message
// was kept.
const std::string& InputErrorMessage(const RunState& state) {
    return state.InputErrorText.empty() ? TroubleCode : state.InputErrorText;
}

// With computeAll on the summary statistics follow the last knot line, starting with an empty
// line.
void AppendSummaryStatistics(std::string& out, const RunState& state) {
    out += SummaryStatisticsText(CountDetections(state));
}

// The problems file: the table header and the collected rows, in knot order.
std::string ProblemsContents(const RunSettings& settings, const std::vector<std::string>& rows) {
    std::string out;
    AppendLine(out, HeaderLine(settings));
    for (const std::string& row : rows) AppendLine(out, row);
    return out;
}

}  // namespace

std::string ResultsFileName(std::string_view inputName) {
    if (inputName.find(kOutputMark) != std::string_view::npos) return std::string(inputName);
    const std::size_t dot = inputName.rfind('.');
    if (dot == std::string_view::npos) return std::string(inputName) + std::string(kOutputMark);
    return std::string(inputName.substr(0, dot)) + std::string(kOutputMark) +
           std::string(inputName.substr(dot));
}

std::filesystem::path ResultsFilePath(const std::filesystem::path& inputFile) {
    return inputFile.parent_path() / ResultsFileName(inputFile.filename().string());
}

std::string BoundText(int32_t lowerBound, int32_t upperBound, std::string_view detectedBy) {
    std::string text = BoundCases(lowerBound, upperBound);
    if (!detectedBy.empty()) {
        text += "  detected by ";
        text += detectedBy;
    }
    return PadRight(text, kBoundWidth);
}

std::string HeaderLine(const RunSettings& s) {
    const std::array<Column, 11> columns{{
        {s.algebraicUnknotting, PadRight("| Algebraic unknotting number", 44)},
        {s.alexander, PadRight("| Alexander polynomial", 55)},
        {s.determinant, "| det(K) "},
        {s.h1l2, "| H_1(L_2(K)) "},
        {s.mahler, "| Mahler(K)   "},
        {s.signature, "| sign(K) "},
        {s.levineTristram, "| sign_z(K) "},
        {s.nakanishi, PadRight("| Nakanishi index", 27)},
        {s.generator, "| Generator of H_1(X(K),Z[t,t^-1]) "},
        {s.blanchfield, "| Blanchfield pairing of generator "},
        {s.presentationMatrix, "| Presentation matrix "},
    }};
    std::string header = "Name      ";
    for (const Column& column : columns) {
        if (column.printed) header += column.heading;
    }
    return header + "| Seifert matrix";
}

bool SlotPrinted(std::string_view code, const RunSettings& s) {
    if (code == "al") return s.alexander;
    if (code == "dt") return s.determinant;
    if (code == "l2") return s.h1l2;
    if (code == "ma") return s.mahler;
    if (code == "si") return s.signature;
    if (code == "lt") return s.levineTristram;
    if (code == "nk") return s.nakanishi;
    if (code == "ge" || code == "h1") return s.generator;
    if (code == "bl") return s.blanchfield;
    if (code == "rm") return s.presentationMatrix;
    return true;
}

std::string KnotTableLine(const KnotRecord& knot, const RunSettings& settings) {
    if (knot.takenOver) return knot.storedLine;
    if (knot.computed) return KnotRow(knot, settings);
    // A knot read from a braid word waits as its braid word: read again on resume, it gives the
    // same matrix and line, and keeps the crossings that the crossing-change search changes.
    if (knot.crossingCode.starts_with('{')) return PadRight(knot.name, 11) + knot.crossingCode;
    return knot.inputLine;
}

std::string KnotRow(const KnotRecord& knot, const RunSettings& settings) {
    std::string row = PadRight(knot.name, kNameWidth);
    if (settings.algebraicUnknotting) {
        row += "| ";
        row += BoundText(knot.lowerBound, knot.upperBound, knot.detectedBy);
    }
    for (const std::string& slot : knot.textFields) {
        if (slot.empty()) continue;
        const std::string_view field = slot;
        if (!SlotPrinted(field.substr(0, 2), settings)) continue;
        row += "| ";
        row += field.substr(std::min<std::size_t>(2, field.size()));
    }
    return row;
}

// The results file piece by piece: the preamble and header, a piece per knot line, the
// statistics.
void WriteTextResultsTo(const RunState& state, const ChunkWriter& write) {
    std::string out;
    if (state.InputError) {
        AppendLine(out, "Error!");
        AppendLine(out, InputErrorMessage(state));
        write(out);
        return;
    }
    AppendPreamble(out, state.Settings, SignatureNullityUsed(state));
    AppendLine(out, HeaderLine(state.Settings));
    write(out);
    for (const KnotRecord& knot : state.Knots) {
        out.clear();
        AppendLine(out, KnotLine(state, knot));
        write(out);
    }
    out.clear();
    if (state.Settings.computeAll) AppendSummaryStatistics(out, state);
    write(out);
}

std::string TextResultsContents(const RunState& state) {
    std::string out;
    WriteTextResultsTo(state, [&out](std::string_view piece) { out += piece; });
    return out;
}

std::vector<std::string> ProblemRows(const RunState& state) {
    std::vector<std::string> rows;
    for (const KnotRecord& knot : state.Knots) {
        if (!knot.takenOver && !knot.computed) continue;
        std::string row = KnotLine(state, knot);
        if (IsProblemRow(row)) rows.push_back(std::move(row));
    }
    return rows;
}

WriteStatus WriteTextResults(const RunState& state, const std::filesystem::path& inputFile) {
    const WriteStatus results = WriteFileAtomically(
        ResultsFilePath(inputFile),
        [&state](const ChunkWriter& write) { WriteTextResultsTo(state, write); });
    if (state.InputError) return results;
    const std::vector<std::string> problems = ProblemRows(state);
    if (problems.empty() || !ProblemsFileAllowed(inputFile.filename().string())) return results;
    const WriteStatus problemsFile = WriteFileAtomically(
        ProblemsFilePath(inputFile), ProblemsContents(state.Settings, problems));
    return results.ok ? problemsFile : results;
}

}  // namespace corvane
