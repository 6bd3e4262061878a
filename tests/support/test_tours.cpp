#include "test_tours.h"

#include "tour_files.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <sys/resource.h>
#include <sys/wait.h>

const char clean_xml[] = "<tour>\n"
                         "  <slide>\n"
                         "    <file>S001</file>\n"
                         "    <next>\n"
                         "      <forward>S002</forward>\n"
                         "      <right>S003</right>\n"
                         "    </next>\n"
                         "  </slide>\n"
                         "  <slide>\n"
                         "    <file>S002</file>\n"
                         "    <next><left180>S001</left180></next>\n"
                         "  </slide>\n"
                         "  <slide>\n"
                         "    <file>S003</file>\n"
                         "    <next><left>S001</left><up>S002</up></next>\n"
                         "  </slide>\n"
                         "</tour>\n";

std::string jpeg_data(int width, int height)
{
    return jpeg_bytes(Picture(width, height, {0x60, 0x60, 0x60}));
}

std::string png_data(int width, int height)
{
    return png_bytes(Picture(width, height, {0xc0, 0xc0, 0xc0}));
}

void remove_file(const std::string &name)
{
    g_unlink(name.c_str());
}

void write_clean_tour(const std::string &xml)
{
    static const std::string photo = jpeg_data(800, 533);
    write_tour_data(".", xml);
    for (const char *id : {"S001", "S002", "S003", "map"})
        write_photo(".", id, photo);
    Picture sprite(16, 16, {0xc0, 0xc0, 0xc0});
    auto same_sprite = [&](int) { return sprite; };
    write_sprites(".", same_sprite, same_sprite);
}

Checked run_program(const char *program, const std::vector<std::string> &arguments,
                    GSpawnChildSetupFunc setup)
{
    std::vector<char *> argv{const_cast<char *>(program)};
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);

    char *out = nullptr, *err = nullptr;
    int wait_status = 0;
    GError *error = nullptr;
    Checked checked{"", "", -1};
    if (!g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_DEFAULT, setup, nullptr, &out, &err,
                      &wait_status, &error)) {
        checked.err = error->message;
        g_error_free(error);
        return checked;
    }
    checked.out = out;
    checked.err = err;
    checked.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
    g_free(out);
    g_free(err);
    return checked;
}

// Shared machines and CI often limit a process's memory; the sanitizers'
// shadow memory would not fit such a limit.
static void limit_memory(gpointer)
{
#ifndef __SANITIZE_ADDRESS__
    const rlim_t gigabyte = 1 << 30;
    struct rlimit limit = {gigabyte, gigabyte};
    setrlimit(RLIMIT_AS, &limit);
#endif
}

Checked run_tourcheck(const std::vector<std::string> &arguments)
{
    return run_program(TOURCHECK_PROGRAM, arguments, limit_memory);
}
