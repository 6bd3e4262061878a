#include "format.h"

#include <stddef.h>

const char *const move_names[MOVE_NONE + 1] = {"forward", "left", "right", "up", "down", "none"};

const char *const curfiles[SPRITE_COUNT] = {
    "arrow.png",    "left.png", "left180.png", "right.png",
    "right180.png", "up.png",   "down.png",    "fwd.png",
};

const char *const arrowfiles[SPRITE_COUNT] = {
    NULL,           "arrow-left.png", "arrow-left180.png", "arrow-right.png", "arrow-right180.png",
    "arrow-up.png", "arrow-down.png", "arrow-fwd.png",
};

const char *exit_for(const Slide *slide, int move)
{
    if (move < 0 || move >= (int)move_preference.size())
        return NULL;
    const MovePreference &preference = move_preference[move];
    for (size_t i = 0; i < preference.count; i++)
        if (const char *target = slide->*exit_kinds[preference.exits[i]].field)
            return target;
    return NULL;
}

const char *taken_exit(const Slide *slide, const ExitKind &kind)
{
    const char *target = slide->*kind.field;
    return target && exit_for(slide, kind.move) == target ? target : NULL;
}
