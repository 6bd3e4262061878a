// The fifteen sprites of every tour the tools write: the plain pointer, seven move pointers and
// seven exit arrows, drawn white on a dark outline over a soft shadow, transparent round.
#ifndef TOURVIEW_TOOLS_SPRITES_H
#define TOURVIEW_TOOLS_SPRITES_H

#include <string>

#include "format.h"
#include "image.h"

constexpr int ARROW_SIZE = 40;
constexpr int POINTER_SIZE = 32;

// The pointer of `sprite` (SPRITE_ARROW the plain one), or its exit arrow;
// an empty image for a sprite that has none.
Image draw_sprite(Sprite sprite, bool exit_arrow);
// Writes all fifteen under the viewer's file names into `dir`; false with
// *error set when one cannot be written.
bool write_sprites(const std::string &dir, std::string *error);

#endif
