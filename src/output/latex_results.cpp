#include "output/latex_results.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "arith/checked.h"
#include "invariants/mahler.h"
#include "invariants/signature_nullity.h"
#include "knot/padding.h"
#include "unknotting/blanchfield_unit.h"

namespace corvane {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kOutputMark = "_output";
constexpr std::size_t kNameCellWidth = 14;
constexpr int kColumns = 8;
constexpr std::string_view kDetectedBy = " detected by ";
constexpr std::string_view kOrWord = " or ";
// The document is written in pieces of about this many bytes.
constexpr std::size_t kLatexPiece = std::size_t{1} << 20;

void AppendLine(std::string& out, std::string_view line) {
    out += line;
    out += kLineEnd;
}

// What the Mahler column holds and how it was computed; the value count sets only the printed
// decimals and the fallback of the rare polynomial whose roots are not found.
std::string MahlerPreambleItem(int64_t valueCount) {
    return "\\item The Mahler measure of $K$, given as its logarithm, computed from the roots of "
           "the Alexander polynomial and printed to " +
           std::to_string(MahlerDecimals(valueCount)) +
           " decimals (where the roots are not found, as the mean of $\\log|\\Delta_K(z)|$ over " +
           std::to_string(valueCount) + " points $z$ of the unit circle)";
}

// Which of the names with a legend line of their own the table uses: the signature-nullity bound
// where it decided a lower bound, the Blanchfield pairing where it gave an upper bound.
struct LegendNeeds {
    bool signatureNullity = false;
    bool blanchfield = false;
};

LegendNeeds LegendNeedsOf(const RunState& state) {
    LegendNeeds needs;
    for (const KnotRecord& knot : state.Knots) {
        needs.signatureNullity = needs.signatureNullity || knot.detectedBy == kSignatureNullityName;
        needs.blanchfield = needs.blanchfield || knot.detectedBy == kBlanchfieldUnitName;
        if (needs.signatureNullity && needs.blanchfield) break;
    }
    return needs;
}

void AppendPreamble(std::string& out, const RunSettings& settings, LegendNeeds needs) {
    AppendLine(out, R"tex(\documentclass[10pt]{amsart})tex");
    AppendLine(out, "");
    AppendLine(out, R"tex(\textwidth 7in)tex");
    AppendLine(out, R"tex(\oddsidemargin-.8in)tex");
    AppendLine(out, R"tex(\evensidemargin-.8in)tex");
    AppendLine(out, "");
    AppendLine(out, R"tex(\begin{document})tex");
    AppendLine(out, R"tex(Let $K$ be a knot with $2n \times 2n$ - Seifert matrix $V$.)tex");
    AppendLine(out,
               R"tex(We use the following abbreviations, definitions and normalizations:\\)tex");
    AppendLine(out, R"tex(\begin{tabular}{rcl})tex");
    AppendLine(out, R"tex($\Delta_K(t)$ &= & Alexander polynomial = $t^{-n} \det(Vt-V^T)$\\)tex");
    AppendLine(out, R"tex($\det(K)$ & = & determinant of $K$ = $\det(V+V^T)$\\)tex");
    AppendLine(out, R"tex($\sigma(K)$ &=& signature of $K$ = $\operatorname{sign}(V+V^T)$\\)tex");
    AppendLine(out, R"tex($u_a(K)$ &= & algebraic unknotting number of $K$\\)tex");
    AppendLine(out, R"tex($L_n(K)$ &= & $n$-fold branched cover of $K$\\)tex");
    if (settings.mahler)
        AppendLine(
            out,
            R"tex($\operatorname{Mahler}(K)$ & = & Mahler measure of the Alexander polynomial\\)tex");
    AppendLine(
        out,
        R"tex($A(F_p)$ & = & Alexander module $H_1(S^3 \setminus K;\mathbb{F}_p[t,t^{-1}])$ over the finite field $\mathbb{F}_p$\\)tex");
    AppendLine(
        out,
        R"tex(m(K) & = & Nakanishi index, i.e. the minimal number of generators of the Alexander module\\)tex");
    AppendLine(
        out,
        R"tex($\operatorname{sigma}_t(K)$ & = & Levine-Tristram signature at $\exp(2 \pi i t)$, with $t \in [0,1]$\\)tex");
    AppendLine(out, R"tex(\end{tabular})tex");
    AppendLine(out, R"tex(\\)tex");
    AppendLine(out, "");
    AppendLine(out, R"tex(The subsequent table contains the following columns:\\)tex");
    AppendLine(out, R"tex(\begin{enumerate})tex");
    AppendLine(out, R"tex(\item Name of the knot $K$.)tex");
    AppendLine(
        out,
        R"tex(\item Algebraic unknotting number of $K$. The upper bounds are determined by finding explicit algebraic unknotting moves.)tex");
    if (needs.blanchfield)
        AppendLine(
            out,
            R"tex(An upper bound 1 indicated by Bl comes from an element $x$ of the Alexander module with Blanchfield pairing $\operatorname{Bl}(x,x)=\pm 1/\Delta_K(t)$, which presents the pairing by a $1 \times 1$ matrix (Borodzik--Friedl).)tex");
    AppendLine(
        out,
        R"tex(The lower bounds are computed using the following invariants and obstructions, in that order:)tex");
    AppendLine(out, R"tex(\begin{enumerate})tex");
    AppendLine(
        out,
        R"tex(\item Number of generators of the abelian group $H_1(L_2(K))$ (Wendt criterion), indicated by W)tex");
    AppendLine(
        out,
        R"tex(\item Absolute value of the signature divided by two (Murasugi obstruction), indicated by $\sigma$)tex");
    AppendLine(
        out,
        R"tex(\item Maximal absolute value of the Levine-Tristram signature divided by two, indicated by $\sigma_{max}$)tex");
    AppendLine(
        out,
        R"tex(\item Maximal difference in Levine-Tristram signatures divided by two, indicated by $\sigma_{max}-\sigma_{min}$)tex");
    if (settings.computeMu) AppendLine(out, R"tex(\item $mu(K)$, indicated by $mu$)tex");
    AppendLine(out, R"tex(\item Lickorish test, indicated by L)tex");
    AppendLine(
        out,
        R"tex(\item Number of generators of the Alexander module over a finite field $\mathbb{F}_p$, indicated by $A(\mathbb{F}_p)$)tex");
    AppendLine(
        out,
        R"tex(\item Check whether $H_1(L_n(K))$ viewed as a module over $\mathbb{Z}[\mathbb{Z}/n]$ is generated by one element, indicated by $\operatorname{W}_n$)tex");
    AppendLine(out, R"tex(\item Stoimenow test for $u(K)=2$, indicated by S)tex");
    AppendLine(
        out,
        R"tex(\item Test whether linking form on $H_1(L_2)$ can be represented by an appropriate $2 \times 2$---matrix, indicated by lk)tex");
    if (settings.checkU3)
        AppendLine(
            out,
            R"tex(If $|\operatorname{sign}(K)|=6$, then test whether linking form on $H_1(L_2(K))$ can be represented by an appropriate $3 \times 3$---matrix, indicated by lk)tex");
    if (needs.signatureNullity)
        AppendLine(
            out,
            R"tex(\item Signatures $\sigma$ and nullities $\eta$ of $(1-\omega)V+(1-\bar\omega)V^T$ on the unit circle, $\max(\eta+\sigma)/2+\max(\eta-\sigma)/2$, indicated by $\sigma\eta$)tex");
    AppendLine(out, R"tex(\end{enumerate})tex");
    const int64_t n = settings.ltValueCount;
    AppendLine(
        out,
        R"tex(Note that the Levine-Tristram signatures is computed for all roots of unity $z=\exp(2\pi i k/)tex" +
            std::to_string(n) + ")$, $k=1,\\dots," + std::to_string(n - 1) + "$.");
    AppendLine(out, R"tex(\item The Alexander polynomial of $K$)tex");
    AppendLine(out, R"tex(\item The determinant of $K$)tex");
    AppendLine(out,
               R"tex(\item $H_1(L_2(K))$, the homology of the 2-fold branched cover of $K$)tex");
    AppendLine(out, MahlerPreambleItem(settings.mahlerValueCount));
    AppendLine(
        out,
        R"tex(\item the signature of $K$, with the following information added, if needed:)tex");
    AppendLine(out, R"tex(\begin{enumerate})tex");
    AppendLine(
        out,
        R"tex(\item a number added in parenthesis () indicates the maximum absolute value of Levine-Tristram, if larger than the absolute value of the ordinary signature,)tex");
    AppendLine(
        out,
        R"tex(\item a number added in square brackets [] indicates the maximum difference of Levine-Tristram signatures, if larger than the absolute value of the Levine-Tristram signatures.)tex");
    AppendLine(out, R"tex(\end{enumerate})tex");
    AppendLine(
        out,
        R"tex(\item The Nakanishi index of $K$, upper bounds are found using explicit calculations, lower bounds are found by studying the homology of finite cyclic covers)tex");
    AppendLine(out, R"tex(\end{enumerate})tex");
}

std::string TableHeader() {
    const std::array<std::string_view, kColumns> pieces{
        " $K$ &",        " $u_a$ &",      " $\\Delta_K(t)$ & ",
        " $\\det$ &",    " $H_1(L_2)$ &", " $\\operatorname{Mahler}$ &",
        " $\\sigma$ & ", " $m$ &"};
    std::string header;
    for (const std::string_view piece : pieces) header += piece;
    header.pop_back();
    return header + " \\\\";
}

std::string ColumnLayout() {
    std::string layout;
    for (int i = 0; i < kColumns; ++i) layout += "|l";
    return layout;
}

std::string EscapedChar(char c) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    switch (c) {
        case '&':
            return "\\&";
        case '%':
            return "\\%";
        case '$':
            return "\\$";
        case '#':
            return "\\#";
        case '{':
            return "\\{";
        case '}':
            return "\\}";
        case '_':
            return "\\_";
        case '~':
            return "\\text{\\textasciitilde}";
        case '^':
            return "\\text{\\textasciicircum}";
        case '\\':
            return "\\text{\\textbackslash}";
        case '<':
            return "\\text{\\textless}";
        case '>':
            return "\\text{\\textgreater}";
        default:
            break;
    }
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) return std::string(1, c);
    return std::string("\\text{\\textbackslash x") + kHex[byte >> 4] + kHex[byte & 0xF] + "}";
}

// s.substr(pos, count) that never throws: empty when pos is past the end.
std::string_view SafeSub(std::string_view s, std::size_t pos,
                         std::size_t count = std::string_view::npos) {
    return pos >= s.size() ? std::string_view() : s.substr(pos, count);
}

bool Contains(std::string_view s, std::string_view part) {
    return s.find(part) != std::string_view::npos;
}

// Comma-separated L..U in math mode; 64-bit, so bounds near the 32-bit limits cannot overflow.
std::string BoundCases(int32_t lowerBound, int32_t upperBound) {
    const int64_t lower = lowerBound;
    const int64_t upper = upperBound;
    if (!UnknottingBoundKnown(lowerBound, upperBound)) return {};
    if (upper == -1 && lower != -1) return "$> " + std::to_string(lower - 1) + "$";
    if (upper < lower || upper > lower + 3) return {};
    std::string text = "  $" + std::to_string(lower);
    for (int64_t k = lower + 1; k <= upper; ++k) text += "," + std::to_string(k);
    return text + "$";
}

// A value as the text table states it ("2", "2 or 3", "2,3 or 4", "2...5", "> 1" or nothing),
// written for math mode: the word "or" is set as text.
std::string MathValue(std::string_view value) {
    std::string math;
    for (std::size_t at = 0;;) {
        const std::size_t word = value.find(kOrWord, at);
        math += value.substr(at, word - at);
        if (word == std::string_view::npos) return math;
        math += "\\text{ or }";
        at = word + kOrWord.size();
    }
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A subscript of two or more digits in braces, so that all of them are lowered: L_16 -> L_{16}.
std::string BracedSubscripts(std::string_view text) {
    std::string braced;
    for (std::size_t i = 0; i < text.size(); ++i) {
        braced += text[i];
        if (text[i] != '_') continue;
        std::size_t end = i + 1;
        while (end < text.size() && IsDigit(text[end])) ++end;
        if (end - i < 3) continue;
        braced += "{" + std::string(text.substr(i + 1, end - i - 1)) + "}";
        i = end - 1;
    }
    return braced;
}

// "value detected by source" as one formula "$value\,source$", the finite field of a source
// A(F_p) as \mathbb{F}: a one-digit value from H_1(L_3) reads $2\,H_1(L_3)$, a Nakanishi index
// of 2 or 3 from A(F_13) reads $2\text{ or }3\,A(\mathbb{F}_{13})$. Every number of the text
// stays.
std::string DetectedByCell(std::string_view text, std::size_t at) {
    std::string source = BracedSubscripts(text.substr(at + kDetectedBy.size()));
    if (source.starts_with("A(F")) source.replace(2, 1, "\\mathbb{F}");
    return "$" + MathValue(text.substr(0, at)) + "\\," + source + "$";
}

// The degree n of a source that ends in "H_1(L_n)" ("H_1(L_12)", "Wendt on H_1(L_5)"); empty
// for any other text.
std::string_view CoverDegree(std::string_view source) {
    constexpr std::string_view kCover = "H_1(L_";
    const std::size_t at = source.rfind(kCover);
    if (at == std::string_view::npos || !source.ends_with(')')) return {};
    const std::string_view n =
        source.substr(at + kCover.size(), source.size() - 1 - at - kCover.size());
    return !n.empty() && std::all_of(n.begin(), n.end(), IsDigit) ? n : std::string_view();
}

// W with the cover degree as subscript: $\operatorname{W}_3$, $\operatorname{W}_{12}$.
std::string CoverSymbol(std::string_view degree) {
    const std::string n(degree);
    return "$\\operatorname{W}_" + (n.size() == 1 ? n : "{" + n + "}") + "$";
}

}  // namespace

std::string LatexResultCell(std::string_view slot) {
    const std::string_view text = SafeSub(slot, 2);
    const std::size_t detected = text.find(kDetectedBy);
    if (detected != std::string_view::npos) return DetectedByCell(text, detected);
    std::string t(text);
    if (!Contains(slot, "or")) t = "$" + t + "$";
    if (Contains(t, "2 \\,H_1(L_2)")) t = "$2 \\,L_2$";
    if (Contains(t, "2 \\,H_1(L_3)")) t = "$2 \\,L_3$";
    if (Contains(t, "A(")) {
        const std::size_t f = t.find('F');
        if (f != std::string::npos) {
            t = t.substr(0, f) + "\\mathbb{F}" + std::string(SafeSub(t, f + 1));
        }
    }
    return t;
}

namespace {

bool IsLatexColumn(std::string_view code) {
    return code == "al" || code == "dt" || code == "si" || code == "l2" || code == "nk" ||
           code == "ma";
}

// A row taken over from an earlier results file. A comment row is a comment here as well;
// any other row is plain text that LaTeX must not interpret, set in one cell across the table.
std::string StoredRow(std::string_view storedLine) {
    if (storedLine.starts_with('%')) return std::string(storedLine);
    return "\\multicolumn{" + std::to_string(kColumns) + "}{|l|}{\\texttt{" +
           LatexEscaped(storedLine) + "}} \\\\";
}

// The table of one page: the previous one closed, a fresh header.
void OpenPage(std::string& out, bool& tableOpen) {
    if (tableOpen) {
        AppendLine(out, "\\hline");
        AppendLine(out, "\\end{tabular}");
    }
    AppendLine(out, "");
    AppendLine(out, "\\newpage");
    AppendLine(out, "\\begin{tabular}{" + ColumnLayout() + "|}");
    AppendLine(out, "\\hline");
    AppendLine(out, TableHeader());
    AppendLine(out, "\\hline");
    tableOpen = true;
}

const std::string& InputErrorMessage(const RunState& state) {
    return state.InputErrorText.empty() ? TroubleCode : state.InputErrorText;
}

}  // namespace

std::string LatexResultsFileName(std::string_view inputName) {
    const std::string_view stem = inputName.substr(0, inputName.rfind('.'));
    if (Contains(inputName, kOutputMark)) return std::string(stem) + ".tex";
    return std::string(stem) + std::string(kOutputMark) + ".tex";
}

std::filesystem::path LatexResultsFilePath(const std::filesystem::path& inputFile) {
    return inputFile.parent_path() / LatexResultsFileName(inputFile.filename().string());
}

std::string LatexEscaped(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) escaped += EscapedChar(c);
    return escaped;
}

std::string LatexNameCell(std::string_view name) {
    const std::size_t underscore = name.find('_');
    std::string cell;
    if (underscore == std::string_view::npos) {
        cell = LatexEscaped(name);
    } else {
        cell = "$" + LatexEscaped(name.substr(0, underscore)) + "_{" +
               LatexEscaped(name.substr(underscore + 1)) + "}$";
    }
    if (cell.starts_with('[') || cell.starts_with('*')) cell.insert(0, "{}");
    return PadRight(cell, kNameCellWidth) + " &";
}

std::string ObstructionSymbol(std::string_view d) {
    if (d == "Lickorish test") return " L";
    if (d == "Stoimenow test") return " S";
    if (d == kSignatureNullityName) return " $\\sigma\\eta$";
    if (d == kBlanchfieldUnitName) return " Bl";
    if (d == "signature") return " $\\sigma$";
    if (d == "Wendt") return "W";
    if (d == "Wendt on H_1(L_3)") return "$\\operatorname{W}_3$";
    if (d == "new u_a(K)=2 obstruction" || d == "new u_a(K)=3 obstruction") return " lk";
    if (Contains(d, "/") && !Contains(d, "-")) return " $\\sigma_{max}$";
    if (Contains(d, "/")) return " $\\sigma_{max}-\\sigma_{min}$";
    if (Contains(d, "mu")) return " $mu$";
    if (d.starts_with("A(F")) {
        const std::string_view p = d.size() >= 5 ? d.substr(4, d.size() - 5) : std::string_view();
        return "$ A(\\mathbb{F}_{" + LatexEscaped(p) + "})$";
    }
    if (Contains(d, "unknotting")) return {};
    const std::string_view degree = CoverDegree(d);
    if (!degree.empty()) return CoverSymbol(degree);
    if (Contains(d, "H_1") && d.size() >= 7) {
        return "$\\operatorname{W}_" + EscapedChar(d[6]) + "$";
    }
    return LatexEscaped(d);
}

std::string LatexBoundCell(int32_t lowerBound, int32_t upperBound, std::string_view detectedBy) {
    std::string cell = BoundCases(lowerBound, upperBound);
    const std::string symbol = ObstructionSymbol(detectedBy);
    if (!symbol.empty()) cell += " " + symbol;
    return cell;
}

std::string LatexKnotRow(const KnotRecord& knot, const RunSettings& settings) {
    std::string row = LatexNameCell(knot.name);
    if (settings.algebraicUnknotting) {
        row += " " + LatexBoundCell(knot.lowerBound, knot.upperBound, knot.detectedBy) + " &";
    }
    for (const std::string& slot : knot.texFields) {
        if (!IsLatexColumn(SafeSub(slot, 0, 2))) continue;
        row += " " + LatexResultCell(slot) + " &";
    }
    row.pop_back();
    return row + " \\\\";
}

// The document piece by piece, a piece at least every kLatexPiece bytes.
void WriteLatexResultsTo(const RunState& state, const ChunkWriter& write) {
    std::string out;
    if (state.InputError) {
        AppendLine(out, "Error!");
        AppendLine(out, InputErrorMessage(state));
        write(out);
        return;
    }
    AppendPreamble(out, state.Settings, LegendNeedsOf(state));
    int rowsLeft = 0;
    bool tableOpen = false;
    KnotRecord buffer;
    for (int i = 1; i <= state.KnotCount(); ++i) {
        if (rowsLeft == 0) {
            OpenPage(out, tableOpen);
            rowsLeft = LatexRowsPerPage;
        }
        const KnotRecord& knot = state.Knots.Get(i, buffer);
        if (knot.takenOver) {
            AppendLine(out, StoredRow(knot.storedLine));
        } else if (knot.computed) {
            AppendLine(out, LatexKnotRow(knot, state.Settings));
            --rowsLeft;
        }
        if (out.size() >= kLatexPiece) {
            write(out);
            out.clear();
        }
    }
    if (tableOpen) {
        AppendLine(out, "\\hline");
        AppendLine(out, "\\end{tabular}");
    }
    AppendLine(out, "");
    AppendLine(out, "\\end{document}");
    write(out);
}

std::string LatexResultsContents(const RunState& state) {
    std::string out;
    WriteLatexResultsTo(state, [&out](std::string_view piece) { out += piece; });
    return out;
}

WriteStatus WriteLatexResults(const RunState& state, const std::filesystem::path& inputFile) {
    return WriteFileAtomically(LatexResultsFilePath(inputFile), [&state](const ChunkWriter& write) {
        WriteLatexResultsTo(state, write);
    });
}

}  // namespace corvane
