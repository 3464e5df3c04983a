// The front end as the calculation sees it: a status image to draw text on, a place to let the
// front end handle its events, and a few notices about the run's progress. The window draws on
// its status image; the command line prints lines and a progress line.
#pragma once

#include <string_view>

namespace corvane {

// What a drawn text is, so that a line-oriented front end can choose what to print. The window
// ignores it and draws every text at its position.
enum class StatusKind {
    Blank,     // blanks that erase a line or the status area
    Heading,   // "Knot ... with Seifert matrix:"
    Matrix,    // a row of the working matrix
    Result,    // a result line of the current knot
    Activity,  // the animated line of a long search
    Final,     // "Done!", "Stopped calculation.", "Error! ...", pause notices
};

class RunHost {
  public:
    virtual ~RunHost() = default;

    // Draws text with its left end at pixel (x, y) of the 553 × 233 status image; the image keeps
    // what is drawn and text is erased by drawing blanks over it.
    virtual void DrawText(int x, int y, std::string_view text, StatusKind kind) = 0;

    // Erases the whole status area: blankLine drawn at x = 7 and y = 7, 15, ..., 799.
    virtual void ClearStatusArea(std::string_view blankLine) {
        for (int i = 0; i < 100; ++i) DrawText(7, 7 + 8 * i, blankLine, StatusKind::Blank);
    }

    // Called at every polling point: the front end may handle its pending events here. Stop,
    // Pause and Skip arrive as the run state's request flags.
    virtual void ProcessEvents() {}

    // Knot `index` of `count` is now the one the run waits on (the first unfinished in list
    // order); its status texts follow.
    virtual void KnotStarted(int /*index*/, int /*count*/, std::string_view /*name*/) {}

    // Knot `index` has finished: its record in the knot table holds its final results. Called on
    // the thread that finished it, after the record is stored.
    virtual void KnotFinished(int /*index*/) {}

    // `done` of `total` knots to compute are finished, `running` are being computed.
    virtual void RunProgress(int /*done*/, int /*total*/, int /*running*/) {}

    // Line `line` of the input gives no invariants: `text` says why ("skipped: rows of unequal
    // length", "not a knot: the braid closes to 2 components"). Skipped lines are reported once
    // the input is read, knots that are not knots when the run reaches them.
    virtual void LineNoted(int /*line*/, std::string_view /*text*/) {}
};

}  // namespace corvane
