#include "moves.h"

#include <stdio.h>

Move get_region(int x, int y)
{
    int across = x - SLIDE_X;
    if (across < 0 || across > SLIDE_WIDTH)
        return MOVE_NONE;
    int down = y - SLIDE_Y;
    if (down < 0 || down > SLIDE_HEIGHT)
        return MOVE_NONE;
    if (across < LEFT_BAND)
        return MOVE_LEFT;
    if (across > RIGHT_BAND)
        return MOVE_RIGHT;
    if (down < TOP_BAND)
        return MOVE_UP;
    if (down > BOTTOM_BAND)
        return MOVE_DOWN;
    return MOVE_FORWARD;
}

Sprite cursor_for(const Slide *slide, Move move)
{
    const char *target = exit_for(slide, move);
    for (const ExitKind &kind : exit_kinds)
        if (target && kind.move == move && slide->*kind.field == target)
            return kind.sprite;
    return SPRITE_ARROW;
}

size_t exit_arrows(const Slide *slide, Sprite sprites[exit_kinds.size()])
{
    size_t count = 0;
    for (size_t i = 1; i <= exit_kinds.size(); i++) {
        const ExitKind &kind = exit_kinds[i % exit_kinds.size()];
        if (taken_exit(slide, kind))
            sprites[count++] = kind.sprite;
    }
    return count;
}

int key_move(int sym)
{
    switch (sym) {
    case KEY_UP:
        return MOVE_FORWARD;
    case KEY_LEFT:
        return MOVE_LEFT;
    case KEY_RIGHT:
        return MOVE_RIGHT;
    default:
        return MOVE_IGNORED;
    }
}

static void trace(const char *from, const char *to)
{
    if (debug)
        fprintf(stderr, "%s -> %s\n", from, to);
}

// The slide named `target`, listed when debug is on; null, with a warning,
// when the tour has no such slide.
static Slide *enter(const Slide *from, const char *target, GHashTable *table)
{
    Slide *next = static_cast<Slide *>(g_hash_table_lookup(table, target));
    if (!next) {
        fprintf(stderr, "Slide %s is not in the tour. Staying on %s.\n", target, from->id);
        return NULL;
    }
    view(NULL, next, NULL);
    return next;
}

Slide *try_move(Slide *slide, int move, GHashTable *table)
{
    const char *target = exit_for(slide, move);
    if (!target)
        return slide;
    trace(slide->id, target);
    Slide *next = enter(slide, target, table);
    return next ? next : slide;
}

void toggle_map(Slide **current, Slide **saved, GHashTable *table)
{
    if (*saved) {
        trace((*current)->id, (*saved)->id);
        *current = *saved;
        *saved = NULL;
        view(NULL, *current, NULL);
        return;
    }
    trace((*current)->id, map_id);
    Slide *map = enter(*current, map_id, table);
    if (!map)
        return;
    *saved = *current;
    *current = map;
}
