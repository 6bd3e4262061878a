// The files a tour brings besides data.xml: one photograph per slide, the map
// photograph and the fifteen sprites, decoded the way the viewer decodes them.
#include "sprites.h"
#include "tourcheck.h"

#include <SDL.h>
#include <SDL_image.h>
#include <string.h>

static std::string tour_path(const Tour *tour, const char *relative)
{
    if (tour->dir == ".")
        return relative;
    char *joined = g_build_filename(tour->dir.c_str(), relative, NULL);
    std::string path = joined;
    g_free(joined);
    return path;
}

struct Decoded {
    bool exists, decodes, jpeg, png;
    int width, height;
    std::string error;
};

static Decoded decode(const std::string &path)
{
    Decoded image{};
    image.exists = g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
    if (!image.exists)
        return image;
    // A pipe or a device would block the decoder.
    if (is_special_file(path.c_str())) {
        image.error = "not a regular file";
        return image;
    }
    SDL_RWops *file = SDL_RWFromFile(path.c_str(), "rb");
    if (!file) {
        image.error = SDL_GetError();
        return image;
    }
    // The loader picks the decoder by content, not by the file name; the
    // tests leave the read position where it was.
    image.jpeg = IMG_isJPG(file);
    image.png = IMG_isPNG(file);
    SDL_Surface *surface = IMG_Load_RW(file, 1);
    image.decodes = surface != NULL;
    if (!surface) {
        image.error = SDL_GetError();
        return image;
    }
    image.width = surface->w;
    image.height = surface->h;
    SDL_FreeSurface(surface);
    return image;
}

static void check_photo(Tour *tour, const char *relative, const std::string &what)
{
    std::string path = tour_path(tour, relative);
    Decoded image = decode(path);
    if (!image.exists)
        add_problem(tour, path, 0, LEVEL_ERROR,
                    what + " is missing: the viewer stops when it shows it");
    else if (!image.decodes)
        add_problem(tour, path, 0, LEVEL_ERROR,
                    what + " cannot be decoded (" + image.error +
                        "): the viewer stops when it shows it");
    if (!image.decodes)
        return;
    if (!image.jpeg)
        add_problem(tour, path, 0, LEVEL_WARNING, what + " is not a JPEG file, though it decodes");
    if (image.width != SLIDE_WIDTH || image.height != SLIDE_HEIGHT)
        add_problem(tour, path, 0, LEVEL_WARNING,
                    what + " is " + std::to_string(image.width) + " by " +
                        std::to_string(image.height) +
                        ", not 800 by 533: the viewer draws it unscaled and clipped");
}

static void check_sprite(Tour *tour, const char *name)
{
    char *relative = g_build_filename("cursors", name, NULL);
    std::string path = tour_path(tour, relative);
    g_free(relative);
    Decoded image = decode(path);
    if (!image.exists)
        add_problem(tour, path, 0, LEVEL_ERROR, "sprite is missing: the viewer will not start");
    else if (!image.decodes)
        add_problem(tour, path, 0, LEVEL_ERROR,
                    "sprite cannot be decoded (" + image.error + "): the viewer will not start");
    else if (!image.png)
        add_problem(tour, path, 0, LEVEL_WARNING, "sprite is not a PNG file, though it decodes");
}

void check_images(Tour *tour)
{
    for (const SlideLines &lines : tour->slides) {
        const Slide *slide =
            static_cast<Slide *>(g_hash_table_lookup(tour->table, lines.id.c_str()));
        check_photo(tour, slide->fn, "photograph of slide " + quoted(slide->id));
    }
    const Slide *map = static_cast<Slide *>(g_hash_table_lookup(tour->table, "map"));
    check_photo(tour, map->fn, "map photograph");
    for (int index = 0; index < SPRITE_COUNT; index++) {
        check_sprite(tour, curfiles[index]);
        if (arrowfiles[index])
            check_sprite(tour, arrowfiles[index]);
    }
}
