// The tour format's names: the files and directories of a tour, the built-in
// slides, the photograph size, the seven exit kinds and the fifteen sprites.
#ifndef TOURVIEW_FORMAT_H
#define TOURVIEW_FORMAT_H

#include <stddef.h>

#include <array>

#include "tour.h"

constexpr char tour_file[] = "data.xml";
// Its elements: the root (any name when read; written as root_tag), each
// slide, the slide's id and its exits.
constexpr char root_tag[] = "tour";
constexpr char slide_tag[] = "slide";
constexpr char file_tag[] = "file";
constexpr char next_tag[] = "next";
constexpr char slide_dir[] = "slides";
// Beside data.xml in a tour that tourmake made: where each slide stands on the
// map (places.h). The viewer never reads it.
constexpr char places_file[] = "places.xml";
constexpr char sprite_dir[] = "cursors";
// The slide that Tab opens, built in whatever data.xml says.
constexpr char map_id[] = "map";
// The slide that the viewer shows first.
constexpr char start_id[] = "S001";
constexpr int PHOTO_WIDTH = 800, PHOTO_HEIGHT = 533;
// The viewer holds every image whole, four bytes a pixel; an image of more
// pixels than this, far more than any real photograph, is refused.
constexpr long long IMAGE_PIXEL_BUDGET = 100'000'000;
constexpr int VIEWER_BYTES_PER_PIXEL = 4;

enum Move {
    MOVE_FORWARD = 0,
    MOVE_LEFT = 1,
    MOVE_RIGHT = 2,
    MOVE_UP = 3,
    MOVE_DOWN = 4,
    MOVE_NONE = 5,
};

// The moves' names, by Move code.
extern const char *const move_names[MOVE_NONE + 1];

// Sprite indexes: a pointer per move (0 the plain one) and an exit arrow per
// exit kind (0 has none).
enum Sprite {
    SPRITE_ARROW = 0,
    SPRITE_LEFT = 1,
    SPRITE_LEFT180 = 2,
    SPRITE_RIGHT = 3,
    SPRITE_RIGHT180 = 4,
    SPRITE_UP = 5,
    SPRITE_DOWN = 6,
    SPRITE_FWD = 7,
    SPRITE_COUNT = 8,
};

// One kind of exit: its element inside <next>, the slide field that holds its
// target, the move that may follow it and the sprite that shows it.
struct ExitKind {
    const char *name;
    char *Slide::*field;
    Move move;
    Sprite sprite;
};

// Exit kind indexes into exit_kinds.
enum Exit {
    EXIT_FORWARD,
    EXIT_LEFT,
    EXIT_RIGHT,
    EXIT_LEFT180,
    EXIT_RIGHT180,
    EXIT_UP,
    EXIT_DOWN,
    EXIT_COUNT,
};

// In listing order, the order in which exits are written and traced.
constexpr std::array<ExitKind, EXIT_COUNT> exit_kinds = {{
    {"forward", &Slide::forward, MOVE_FORWARD, SPRITE_FWD},
    {"left", &Slide::left, MOVE_LEFT, SPRITE_LEFT},
    {"right", &Slide::right, MOVE_RIGHT, SPRITE_RIGHT},
    {"left180", &Slide::left180, MOVE_LEFT, SPRITE_LEFT180},
    {"right180", &Slide::right180, MOVE_RIGHT, SPRITE_RIGHT180},
    {"up", &Slide::up, MOVE_UP, SPRITE_UP},
    {"down", &Slide::down, MOVE_DOWN, SPRITE_DOWN},
}};
static_assert(exit_kinds[EXIT_FORWARD].field == &Slide::forward &&
                  exit_kinds[EXIT_LEFT].field == &Slide::left &&
                  exit_kinds[EXIT_RIGHT].field == &Slide::right &&
                  exit_kinds[EXIT_LEFT180].field == &Slide::left180 &&
                  exit_kinds[EXIT_RIGHT180].field == &Slide::right180 &&
                  exit_kinds[EXIT_UP].field == &Slide::up &&
                  exit_kinds[EXIT_DOWN].field == &Slide::down,
              "Exit follows the listing order");

// The exit kinds that each move follows, by Move code, best first: a left180
// exit wins over a left one, a right180 over a right. The viewer's moves and
// the page's data both read it.
struct MovePreference {
    size_t count;
    std::array<Exit, 2> exits;
};
constexpr std::array<MovePreference, MOVE_NONE> move_preference = {{
    {1, {EXIT_FORWARD}},
    {2, {EXIT_LEFT180, EXIT_LEFT}},
    {2, {EXIT_RIGHT180, EXIT_RIGHT}},
    {1, {EXIT_UP}},
    {1, {EXIT_DOWN}},
}};

// Whether every exit kind is followed by its own move, and by no other.
constexpr bool preference_lists_each_kind_once()
{
    for (size_t kind = 0; kind < EXIT_COUNT; kind++) {
        size_t listed = 0;
        for (size_t move = 0; move < move_preference.size(); move++)
            for (size_t i = 0; i < move_preference[move].count; i++)
                if (move_preference[move].exits[i] == kind)
                    listed += move == static_cast<size_t>(exit_kinds[kind].move) ? 1 : 2;
        if (listed != 1)
            return false;
    }
    return true;
}
static_assert(preference_lists_each_kind_once(), "each exit kind follows its own move once");

// The exit of `slide` that `move` follows, the first of move_preference that
// it has, or null when there is none.
const char *exit_for(const Slide *slide, int move);

// The target of `slide`'s exit of `kind` when its move follows it, else null:
// a left exit beside left180 (right beside right180) is never taken.
const char *taken_exit(const Slide *slide, const ExitKind &kind);

// The sprite file names in sprite_dir, by sprite index: the pointers, and the
// exit arrows (none for the plain pointer).
extern const char *const curfiles[SPRITE_COUNT];
extern const char *const arrowfiles[SPRITE_COUNT];

#endif
