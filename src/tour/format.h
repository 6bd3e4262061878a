// The tour format's names: the files and directories of a tour, the built-in
// slides, the photograph size, the seven exit kinds and the fifteen sprites.
#ifndef TOURVIEW_FORMAT_H
#define TOURVIEW_FORMAT_H

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
constexpr char sprite_dir[] = "cursors";
// The slide that Tab opens, built in whatever data.xml says.
constexpr char map_id[] = "map";
// The slide that the viewer shows first.
constexpr char start_id[] = "S001";
constexpr int PHOTO_WIDTH = 800, PHOTO_HEIGHT = 533;

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

// In listing order, the order in which exits are written and traced.
constexpr std::array<ExitKind, 7> exit_kinds = {{
    {"forward", &Slide::forward, MOVE_FORWARD, SPRITE_FWD},
    {"left", &Slide::left, MOVE_LEFT, SPRITE_LEFT},
    {"right", &Slide::right, MOVE_RIGHT, SPRITE_RIGHT},
    {"left180", &Slide::left180, MOVE_LEFT, SPRITE_LEFT180},
    {"right180", &Slide::right180, MOVE_RIGHT, SPRITE_RIGHT180},
    {"up", &Slide::up, MOVE_UP, SPRITE_UP},
    {"down", &Slide::down, MOVE_DOWN, SPRITE_DOWN},
}};

// The exit of `slide` that `move` follows (left180 before left, right180
// before right), or null when there is none.
const char *exit_for(const Slide *slide, int move);

// The target of `slide`'s exit of `kind` when its move follows it, else null:
// a left exit beside left180 (right beside right180) is never taken.
const char *taken_exit(const Slide *slide, const ExitKind &kind);

// The sprite file names in sprite_dir, by sprite index: the pointers, and the
// exit arrows (none for the plain pointer).
extern const char *const curfiles[SPRITE_COUNT];
extern const char *const arrowfiles[SPRITE_COUNT];

#endif
