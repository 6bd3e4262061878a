// Changes to a plan's text as the editor makes them: each rewrites only the
// statements it concerns; every other line, its comments, blank lines and
// spelling stay byte for byte.
#ifndef TOURVIEW_PLAN_EDIT_H
#define TOURVIEW_PLAN_EDIT_H

#include <string>
#include <vector>

#include "plan.h"

enum class PlanEditOp {
    TITLE,        // value: the title line set, added or ("") removed
    FRAMING,      // fit: the photos line set, or added for "fit"
    START,        // point, heading: the start line; point "" removes it
    ADD_POINT,    // point (its name), floor, x, y: after the last point, photo or pano line
    MOVE_POINT,   // point, x, y
    FLOOR_POINT,  // point, floor
    RENAME_POINT, // point, to: every statement that names it
    DELETE_POINT, // point: its point, photo, pano, walk and stairs lines, and the start naming it
    PHOTO,        // point, heading, file: set, added or ("") removed
    PANO,         // point, file, north (when has_north): the point's pano line set, added or
                  // ("") removed
    WALK,         // point, heading, to ("" none), oneway: the walk or stairs leaving
                  // the point facing the heading; stairs when `to` is on another floor
    MAP,          // floor, file: that floor's map line set, added or ("") removed
};

// One edit; the fields each operation reads are listed above.
struct PlanEdit {
    PlanEditOp op;
    std::string point, to, file, value;
    int heading = 0; // index into heading_names
    int floor = 0;
    double x = 0, y = 0;
    bool fit = false, oneway = false;
    bool has_north = false; // a pano line's north, else the photograph's own
    double north = 0;
};

// Why an edit was refused, and the field of the edit it concerns ("point",
// "to", "file", "value", "floor", "x", "y", "north").
struct PlanEditRefusal {
    std::string message, field;
};

// Applies `edits` in order to the plan `text`, all or none: true with
// *edited the new text (the same bytes when nothing changed), or false with
// *refusal set and *edited untouched. A rewritten line keeps its leading
// blanks, the spacing between its words where it can, and its comment.
bool plan_edit(const std::string &text, const std::vector<PlanEdit> &edits, std::string *edited,
               PlanEditRefusal *refusal);

// A word as the plan writes it: in double quotes when empty or holding a
// blank or "#" (a word cannot hold a double quote).
std::string plan_word(const std::string &word);

// A coordinate as the plan writes it: whole numbers without a fraction.
std::string plan_number(double value);

#endif
