// The fifteen sprites of every tour the tools write: the plain pointer, seven move pointers and
// seven exit arrows, drawn white on a dark outline over a soft shadow, transparent round.
#ifndef TOURVIEW_TOOLS_SPRITES_H
#define TOURVIEW_TOOLS_SPRITES_H

#include <string>

#include "image.h"

constexpr int ARROW_SIZE = 40;
constexpr int POINTER_SIZE = 32;

// `name` is a sprite file name without ".png", as in "arrow-left" or "fwd".
// Returns an empty image for an unknown name.
Image draw_sprite(const std::string &name);
// Writes all fifteen under the viewer's file names into `dir`.
bool write_sprites(const std::string &dir);

#endif
