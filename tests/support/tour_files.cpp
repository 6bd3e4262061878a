#include "tour_files.h"

#include "files.h"
#include "format.h"

static std::string in_dir(const std::string &dir, const std::string &sub, const std::string &name)
{
    return dir + "/" + sub + "/" + name;
}

void write_tour_data(const std::string &dir, const std::string &xml)
{
    write_file(dir + "/" + tour_file, xml);
}

void write_photo(const std::string &dir, const std::string &id, const std::string &bytes)
{
    write_file(in_dir(dir, slide_dir, id + ".jpg"), bytes);
}

void write_photo(const std::string &dir, const std::string &id, const Picture &picture)
{
    write_photo(dir, id, jpeg_bytes(picture));
}

void write_sprites(const std::string &dir, const std::function<Picture(int)> &pointer,
                   const std::function<Picture(int)> &arrow)
{
    for (int index = 0; index < SPRITE_COUNT; index++) {
        write_png(in_dir(dir, sprite_dir, curfiles[index]), pointer(index));
        if (arrowfiles[index])
            write_png(in_dir(dir, sprite_dir, arrowfiles[index]), arrow(index));
    }
}
