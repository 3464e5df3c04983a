// corvane-cli: the headless front end. Reads a knot list and prints, for every knot, its name
// and a minimal Seifert matrix S-equivalent to the one given.
#include <cstdio>
#include <iostream>
#include <string>

#include "arith/checked.h"
#include "arith/errors.h"
#include "arith/sequivalence.h"
#include "driver/run_state.h"
#include "input/knot_list.h"
#include "output/text_forms.h"

namespace {

constexpr const char* kUsage = "usage: corvane-cli KNOTLIST\n";

// The minimal matrix of knot i as text, or the reason it could not be found.
std::string MinimalMatrixText(const corvane::KnotRecord& knot) {
    try {
        const corvane::SEquivalenceResult reduced =
            corvane::MinimalSEquivalent(corvane::WorkingForm(knot.seifert), knot.size);
        if (corvane::ArithTrouble) return "Error in S-equivalence reduction";
        return corvane::MatrixToText(reduced.matrix, reduced.ReducedSize);
    } catch (const corvane::CalculationError& error) {
        return std::string("Error in S-equivalence reduction: ") + error.what();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << kUsage;
        return 2;
    }
    const std::string arg = argv[1];
    if (arg == "--help" || arg == "-h") {
        std::cout << kUsage;
        return 0;
    }

    corvane::RunState state;
    const corvane::KnotListStatus status = corvane::ReadKnotList(state, arg);
    if (!status.opened) {
        std::cerr << "Error! cannot open " << arg << ": " << status.reason << "\n";
        return 1;
    }
    for (const corvane::KnotRecord& knot : state.Knots)
        std::cout << knot.name << "\t" << MinimalMatrixText(knot) << "\n";
    if (state.InputError) {
        std::cerr << "Error! reading stopped at line " << state.InputErrorLine << ": "
                  << state.InputErrorText << "\n";
        return 1;
    }
    return 0;
}
