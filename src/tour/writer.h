// Writing data.xml from a table of slides, laid out by the XML module.
#ifndef TOURVIEW_WRITER_H
#define TOURVIEW_WRITER_H

#include <glib.h>
#include <stddef.h>

#include "tour.h"

// The slides in the given order as data.xml text: root <tour>, one <slide> each
// with <file>ID</file> and <next> holding the present exits in listing order.
// New text (g_free); *length gets its byte count.
char *tour_to_xml(const Slide *const *slides, size_t count, gsize *length);

// Writes that text to `path` (g_file_set_contents). FALSE with *error set on failure.
gboolean tour_write_file(const char *path, const Slide *const *slides, size_t count,
                         GError **error);

#endif
