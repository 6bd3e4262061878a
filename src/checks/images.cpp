// The files a tour brings besides data.xml: one photograph per slide, the map
// photograph and the fifteen sprites, decoded the way the viewer decodes them.
#include "checks.h"

#include <jpeglib.h>
#include <libexif/exif-data.h>
#include <png.h>
#include <setjmp.h>
#include <stdio.h>
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
    bool too_big; // more than IMAGE_PIXEL_BUDGET pixels: not decoded
    int width, height;
    std::string error;
    // JPEG forms the viewer shows wrongly or slowly
    bool cmyk, progressive;
    std::string orientation; // the tag's text when it is not the normal one
};

constexpr int EXIF_MARKER = JPEG_APP0 + 1;
constexpr ExifShort ORIENTATION_NORMAL = 1;

// The orientation tag of an APP1 Exif block, as text, unless it is "normal".
static std::string turned_orientation(const jpeg_saved_marker_ptr markers)
{
    std::string text;
    for (jpeg_saved_marker_ptr marker = markers; marker && text.empty(); marker = marker->next) {
        if (marker->marker != EXIF_MARKER)
            continue;
        ExifData *exif = exif_data_new_from_data(marker->data, marker->data_length);
        if (!exif)
            continue;
        ExifEntry *entry = exif_data_get_entry(exif, EXIF_TAG_ORIENTATION);
        if (entry && entry->format == EXIF_FORMAT_SHORT && entry->size >= 2 &&
            exif_get_short(entry->data, exif_data_get_byte_order(exif)) != ORIENTATION_NORMAL) {
            char value[64] = "";
            exif_entry_get_value(entry, value, sizeof value);
            text = value;
        }
        exif_data_unref(exif);
    }
    return text;
}

struct JpegErrors {
    jpeg_error_mgr manager;
    jmp_buf escape;
};

// libjpeg's fatal errors end the decode; its warnings (data cut short, for
// one) do not, as the viewer shows what decodes.
static void jpeg_fail(j_common_ptr jpeg)
{
    longjmp(reinterpret_cast<JpegErrors *>(jpeg->err)->escape, 1);
}

static void jpeg_quiet(j_common_ptr) {}

// Takes the size from the header; false when it is too big to decode.
static bool within_budget(Decoded *image, unsigned long width, unsigned long height)
{
    image->width = (int)width;
    image->height = (int)height;
    image->too_big = (long long)width * (long long)height > IMAGE_PIXEL_BUDGET;
    return !image->too_big;
}

// Decodes row by row into one row's buffer. Only a progressive JPEG needs
// more: libjpeg holds its coefficients whole, two bytes a sample.
static void decode_jpeg(const char *bytes, gsize length, Decoded *image)
{
    jpeg_decompress_struct jpeg;
    JpegErrors errors;
    jpeg.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpeg_fail;
    errors.manager.output_message = jpeg_quiet;
    JSAMPLE *row = NULL;
    if (setjmp(errors.escape)) {
        char message[JMSG_LENGTH_MAX];
        errors.manager.format_message(reinterpret_cast<j_common_ptr>(&jpeg), message);
        image->error = message;
        image->decodes = false;
        g_free(row);
        jpeg_destroy_decompress(&jpeg);
        return;
    }
    jpeg_create_decompress(&jpeg);
    jpeg_mem_src(&jpeg, reinterpret_cast<const unsigned char *>(bytes), (unsigned long)length);
    jpeg_save_markers(&jpeg, EXIF_MARKER, 0xffff);
    jpeg_read_header(&jpeg, TRUE);
    image->cmyk = jpeg.jpeg_color_space == JCS_CMYK || jpeg.jpeg_color_space == JCS_YCCK;
    image->progressive = jpeg.progressive_mode;
    image->orientation = turned_orientation(jpeg.marker_list);
    if (!within_budget(image, jpeg.image_width, jpeg.image_height)) {
        jpeg_destroy_decompress(&jpeg);
        return;
    }
    jpeg_start_decompress(&jpeg);
    row = g_new(JSAMPLE, (gsize)jpeg.output_width * jpeg.output_components);
    while (jpeg.output_scanline < jpeg.output_height)
        jpeg_read_scanlines(&jpeg, &row, 1);
    jpeg_finish_decompress(&jpeg);
    image->decodes = true;
    g_free(row);
    jpeg_destroy_decompress(&jpeg);
}

struct PngRead {
    jmp_buf escape;
    char message[200];
    const char *bytes;
    gsize length, at;
    png_bytep row; // here, not in a local, so that it survives the longjmp
};

static void png_fail(png_structp png, png_const_charp message)
{
    PngRead *read = static_cast<PngRead *>(png_get_error_ptr(png));
    g_strlcpy(read->message, message, sizeof read->message);
    longjmp(read->escape, 1);
}

static void png_quiet(png_structp, png_const_charp) {}

static void png_from_memory(png_structp png, png_bytep out, size_t count)
{
    PngRead *read = static_cast<PngRead *>(png_get_io_ptr(png));
    if (count > read->length - read->at)
        png_error(png, "read beyond end of data");
    memcpy(out, read->bytes + read->at, count);
    read->at += count;
}

// Row by row, each pass of an interlaced image into the same row.
static void decode_png(const char *bytes, gsize length, Decoded *image)
{
    PngRead read{};
    read.bytes = bytes;
    read.length = length;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &read, png_fail, png_quiet);
    png_infop info = png ? png_create_info_struct(png) : NULL;
    if (!info) {
        image->error = "out of memory";
        png_destroy_read_struct(&png, NULL, NULL);
        return;
    }
    if (setjmp(read.escape)) {
        image->error = read.message;
        g_free(read.row);
        png_destroy_read_struct(&png, &info, NULL);
        return;
    }
    png_set_read_fn(png, &read, png_from_memory);
    png_read_info(png, info);
    if (within_budget(image, png_get_image_width(png, info), png_get_image_height(png, info))) {
        png_set_expand(png);
        int passes = png_set_interlace_handling(png);
        png_read_update_info(png, info);
        read.row = static_cast<png_bytep>(g_malloc(png_get_rowbytes(png, info)));
        for (int pass = 0; pass < passes; pass++)
            for (int y = 0; y < image->height; y++)
                png_read_row(png, read.row, NULL);
        png_read_end(png, NULL);
        image->decodes = true;
    }
    g_free(read.row);
    png_destroy_read_struct(&png, &info, NULL);
}

// The viewer's image loader picks the decoder by content, not by file name.
static void decode_bytes(const char *bytes, gsize length, Decoded *image)
{
    const unsigned char *magic = reinterpret_cast<const unsigned char *>(bytes);
    image->jpeg = length >= 3 && magic[0] == 0xff && magic[1] == 0xd8 && magic[2] == 0xff;
    image->png = length >= 8 && png_sig_cmp(magic, 0, 8) == 0;
    if (image->jpeg)
        decode_jpeg(bytes, length, image);
    else if (image->png)
        decode_png(bytes, length, image);
    else
        image->error = "Unsupported image format";
}

static Decoded decode(const std::string &path)
{
    Decoded image{};
    image.exists = g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
    if (!image.exists)
        return image;
    char *bytes = NULL;
    gsize length = 0;
    GError *error = NULL;
    // A pipe or a device would block the decoder; read_whole_file refuses them.
    if (!read_whole_file(path.c_str(), &bytes, &length, &error)) {
        image.error = error->message;
        g_error_free(error);
        return image;
    }
    decode_bytes(bytes, length, &image);
    g_free(bytes);
    return image;
}

// " is W by H: the viewer would need N GB", GB being 10^9 bytes.
static std::string too_big(const Decoded &image)
{
    char gigabytes[32];
    snprintf(gigabytes, sizeof gigabytes, "%.1f",
             (double)image.width * image.height * VIEWER_BYTES_PER_PIXEL / 1e9);
    return " is " + std::to_string(image.width) + " by " + std::to_string(image.height) +
           ": the viewer would need " + gigabytes + " GB";
}

bool image_decodes(const char *bytes, gsize length, bool *png, std::string *error)
{
    Decoded image{};
    decode_bytes(bytes, length, &image);
    *png = image.png;
    *error = image.too_big ? too_big(image).substr(1) + " to show it"
                           : "cannot be decoded (" + image.error + ")";
    return image.decodes;
}

static const char rebuild[] = "; tourmake makes a tour with photographs it shows right";

static void check_photo(Tour *tour, const char *relative, const std::string &what)
{
    std::string path = tour_path(tour, relative);
    Decoded image = decode(path);
    if (!image.exists)
        diagnose(&tour->problems, path, 0, ERROR,
                 what + " is missing: the viewer stops when it shows it");
    else if (image.too_big)
        diagnose(&tour->problems, path, 0, ERROR, what + too_big(image) + " to show it");
    else if (!image.decodes)
        diagnose(&tour->problems, path, 0, ERROR,
                 what + " cannot be decoded (" + image.error +
                     "): the viewer stops when it shows it");
    if (!image.decodes)
        return;
    if (!image.jpeg)
        diagnose(&tour->problems, path, 0, WARNING,
                 what + " is not a JPEG file, though it decodes");
    if (image.cmyk)
        diagnose(&tour->problems, path, 0, WARNING,
                 what + " is a CMYK JPEG: the viewer shows it in false colours" + rebuild);
    if (!image.orientation.empty())
        diagnose(&tour->problems, path, 0, WARNING,
                 what + " has the orientation tag \"" + image.orientation +
                     "\": the viewer ignores it and shows the photograph turned" + rebuild);
    if (image.progressive)
        diagnose(&tour->problems, path, 0, WARNING,
                 what + " is a progressive JPEG: the viewer decodes it about ten times slower" +
                     rebuild);
    if (image.width != PHOTO_WIDTH || image.height != PHOTO_HEIGHT)
        diagnose(&tour->problems, path, 0, WARNING,
                 what + " is " + std::to_string(image.width) + " by " +
                     std::to_string(image.height) +
                     ", not 800 by 533: the viewer draws it unscaled and clipped");
}

static void check_sprite(Tour *tour, const char *name)
{
    char *relative = g_build_filename(sprite_dir, name, NULL);
    std::string path = tour_path(tour, relative);
    g_free(relative);
    Decoded image = decode(path);
    if (!image.exists)
        diagnose(&tour->problems, path, 0, ERROR, "sprite is missing: the viewer will not start");
    else if (image.too_big)
        diagnose(&tour->problems, path, 0, ERROR, "sprite" + too_big(image) + " to start");
    else if (!image.decodes)
        diagnose(&tour->problems, path, 0, ERROR,
                 "sprite cannot be decoded (" + image.error + "): the viewer will not start");
    else if (!image.png)
        diagnose(&tour->problems, path, 0, WARNING, "sprite is not a PNG file, though it decodes");
}

void check_images(Tour *tour)
{
    for (const SlideLines &lines : tour->slides) {
        const Slide *slide =
            static_cast<Slide *>(g_hash_table_lookup(tour->table, lines.id.c_str()));
        check_photo(tour, slide->fn, "photograph of slide " + quoted(slide->id));
    }
    const Slide *map = static_cast<Slide *>(g_hash_table_lookup(tour->table, map_id));
    check_photo(tour, map->fn, "map photograph");
    for (int index = 0; index < SPRITE_COUNT; index++) {
        check_sprite(tour, curfiles[index]);
        if (arrowfiles[index])
            check_sprite(tour, arrowfiles[index]);
    }
}
