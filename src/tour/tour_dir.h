// Where a tour is: a command line names its directory or its data.xml.
#ifndef TOURVIEW_TOUR_DIR_H
#define TOURVIEW_TOUR_DIR_H

// The tour directory that `path` names: the directory itself, or the one
// holding it when it is a tour's data.xml (a g_free'd string). Null when it
// names neither, with *error set to the errno of looking at it, or 0 when it
// is there but is something else.
char *tour_dir_of(const char *path, int *error);

#endif
