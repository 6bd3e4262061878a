#include "whole_file.h"

bool is_special_file(const char *path)
{
    return g_file_test(path, G_FILE_TEST_EXISTS) && !g_file_test(path, G_FILE_TEST_IS_REGULAR);
}

gboolean read_whole_file(const char *path, char **text, gsize *length, GError **error)
{
    // A pipe would block the read and a link to a device could feed it forever;
    // reading only regular files also keeps the read within the file's size.
    if (is_special_file(path)) {
        g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_FAILED, "not a regular file");
        return FALSE;
    }
    return g_file_get_contents(path, text, length, error);
}
