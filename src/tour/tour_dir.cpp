#include "tour_dir.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>

#include <glib.h>

#include "format.h"

char *tour_dir_of(const char *path, int *error)
{
    struct stat st;
    if (stat(path, &st) != 0) {
        *error = errno;
        return NULL;
    }
    if (S_ISDIR(st.st_mode))
        return g_strdup(path);
    char *dir = NULL;
    char *base = g_path_get_basename(path);
    if (S_ISREG(st.st_mode) && strcmp(base, tour_file) == 0)
        dir = g_path_get_dirname(path);
    g_free(base);
    *error = 0;
    return dir;
}
