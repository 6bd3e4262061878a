// data.xml as UTF-8 text, whatever encoding an editor saved it in.
#ifndef TOURVIEW_TOUR_TEXT_H
#define TOURVIEW_TOUR_TEXT_H

#include <glib.h>

// Converts `*text` (of `*length` bytes, NUL-terminated, owned) to UTF-8 in
// place when it starts with a UTF-16 byte-order mark, or when it is not valid
// UTF-8 and its XML declaration names another encoding; other text stays as it
// is. FALSE, with `error` naming the encoding and the text unchanged, when the
// bytes fit neither UTF-8 nor that encoding.
gboolean tour_text_to_utf8(char **text, gsize *length, GError **error);

// read_whole_file, then tour_text_to_utf8.
gboolean read_tour_text(const char *path, char **text, gsize *length, GError **error);

#endif
