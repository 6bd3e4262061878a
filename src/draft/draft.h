// A first plan for a folder of photographs, from what they recorded: a point
// for each 360° photograph and for each run of photographs taken less than a
// minute apart, their headings, places and the walks between them. Every
// guess is marked by a comment on its line; the draft always parses.
#ifndef TOURVIEW_DRAFT_H
#define TOURVIEW_DRAFT_H

#include <string>

#include "diagnostics.h"

// A run ends where the next photograph was taken this long after the last.
constexpr double DRAFT_RUN_SECONDS = 60;

// Sets *text to a plan for the JPEG and PNG photographs in `dir`, naming them
// as found there (the plan is meant to be saved beside them). Photographs left
// out are warnings in *diagnostics (line 0); a folder that cannot be read or
// holds no photograph is an error, and then false.
bool draft_plan(const std::string &dir, std::string *text, Diagnostics *diagnostics);

#endif
