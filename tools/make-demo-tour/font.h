// A 5 by 7 pixel font (capitals, digits and a little punctuation) for the
// labels on the map.
#ifndef MAKE_DEMO_TOUR_FONT_H
#define MAKE_DEMO_TOUR_FONT_H

#include "image.h"

// Draws `text` with its top-left corner at (x, y), each font pixel `scale`
// image pixels square. Characters outside the font draw as blanks.
void draw_text(Image &image, int x, int y, const char *text, int scale, const unsigned char rgb[3]);
int text_width(const char *text, int scale);

#endif
