#include "test_tours.h"

#include "scratch.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <jpeglib.h>
#include <png.h>
#include <stdio.h>
#include <stdlib.h>
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
    jpeg_compress_struct jpeg{};
    jpeg_error_mgr errors{};
    jpeg.err = jpeg_std_error(&errors);
    jpeg_create_compress(&jpeg);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&jpeg, &buffer, &size);
    jpeg.image_width = (JDIMENSION)width;
    jpeg.image_height = (JDIMENSION)height;
    jpeg.input_components = 3;
    jpeg.in_color_space = JCS_RGB;
    jpeg_set_defaults(&jpeg);
    jpeg_start_compress(&jpeg, TRUE);
    std::vector<unsigned char> row((size_t)width * 3, 0x60);
    while (jpeg.next_scanline < jpeg.image_height) {
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&jpeg, rows, 1);
    }
    jpeg_finish_compress(&jpeg);
    std::string bytes(reinterpret_cast<char *>(buffer), size);
    free(buffer);
    jpeg_destroy_compress(&jpeg);
    return bytes;
}

std::string png_data(int width, int height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = (png_uint_32)width;
    image.height = (png_uint_32)height;
    image.format = PNG_FORMAT_RGBA;
    std::vector<unsigned char> pixels((size_t)width * height * 4, 0xc0);
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
    std::string bytes(size, '\0');
    png_image_write_to_memory(&image, &bytes[0], &size, 0, pixels.data(), 0, nullptr);
    bytes.resize(size);
    return bytes;
}

void write_file(const std::string &name, const std::string &bytes)
{
    ScratchDir::write(name, bytes);
}

void remove_file(const std::string &name)
{
    g_unlink(name.c_str());
}

void write_clean_tour(const std::string &xml)
{
    static const std::string photo = jpeg_data(800, 533);
    static const std::string sprite = png_data(16, 16);
    write_file("data.xml", xml);
    for (const char *id : {"S001", "S002", "S003", "map"})
        write_file(std::string("slides/") + id + ".jpg", photo);
    for (const char *name :
         {"arrow", "left", "left180", "right", "right180", "up", "down", "fwd", "arrow-left",
          "arrow-left180", "arrow-right", "arrow-right180", "arrow-up", "arrow-down", "arrow-fwd"})
        write_file(std::string("cursors/") + name + ".png", sprite);
}

Checked run_program(const char *program, const std::vector<std::string> &arguments)
{
    std::vector<char *> argv{const_cast<char *>(program)};
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);

    char *out = nullptr, *err = nullptr;
    int wait_status = 0;
    GError *error = nullptr;
    Checked checked{"", "", -1};
    if (!g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &out, &err,
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

Checked run_tourcheck(const std::vector<std::string> &arguments)
{
    return run_program(TOURCHECK_PROGRAM, arguments);
}
