// Reading a file whole, refusing what is no regular file.
#ifndef TOURVIEW_WHOLE_FILE_H
#define TOURVIEW_WHOLE_FILE_H

#include <glib.h>

// True when `path` exists but is no regular file: a pipe or a device, whose
// reading would block or never end.
bool is_special_file(const char *path);

// g_file_get_contents that refuses a special file ("not a regular file").
gboolean read_whole_file(const char *path, char **text, gsize *length, GError **error);

#endif
