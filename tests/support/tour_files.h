// The files of a scratch tour under a directory: data.xml, the photographs
// and the fifteen sprites, named as the tour format names them.
#ifndef TOURVIEW_TESTS_TOUR_FILES_H
#define TOURVIEW_TESTS_TOUR_FILES_H

#include <functional>
#include <string>

#include "images.h"

void write_tour_data(const std::string &dir, const std::string &xml);

// slides/<id>.jpg
void write_photo(const std::string &dir, const std::string &id, const Picture &picture);
void write_photo(const std::string &dir, const std::string &id, const std::string &bytes);

// cursors/: `pointer(index)` for each pointer sprite, `arrow(index)` for each
// exit arrow, by sprite index, as PNG.
void write_sprites(const std::string &dir, const std::function<Picture(int)> &pointer,
                   const std::function<Picture(int)> &arrow);

#endif
