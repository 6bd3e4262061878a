#include "photo_meta.h"

#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <gexiv2/gexiv2.h>
#include <glib.h>
#include <libexif/exif-data.h>
#include <libexif/exif-loader.h>

static const char GPANO_URI[] = "http://ns.google.com/photos/1.0/panorama/";

// gexiv2's set-up, once in the process.
static void ready()
{
    static gsize done = 0;
    if (!g_once_init_enter(&done))
        return;
    gexiv2_initialize();
    gexiv2_log_set_level(GEXIV2_LOG_LEVEL_MUTE);
    // Exiv2 may know the namespace already; then this fails, harmlessly.
    gexiv2_metadata_try_register_xmp_namespace(GPANO_URI, "GPano", nullptr);
    g_once_init_leave(&done, 1);
}

// An ASCII entry's text, without its NUL and trailing blanks.
static std::string text_of(ExifContent *ifd, ExifTag tag)
{
    ExifEntry *e = exif_content_get_entry(ifd, tag);
    if (!e || e->format != EXIF_FORMAT_ASCII || !e->data)
        return "";
    std::string text(reinterpret_cast<const char *>(e->data), e->size);
    text.resize(strlen(text.c_str()));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// A rational entry's `count` values; false unless all are there and finite.
static bool rationals_of(ExifData *exif, ExifContent *ifd, ExifTag tag, int count, double *values)
{
    ExifEntry *e = exif_content_get_entry(ifd, tag);
    if (!e || e->format != EXIF_FORMAT_RATIONAL || e->components < (unsigned long)count ||
        e->size < (unsigned)count * 8)
        return false;
    ExifByteOrder order = exif_data_get_byte_order(exif);
    for (int i = 0; i < count; i++) {
        ExifRational r = exif_get_rational(e->data + 8 * i, order);
        if (r.denominator == 0)
            return false;
        values[i] = (double)r.numerator / r.denominator;
    }
    return true;
}

// "2024:05:01 14:03:22" with sub-seconds "25" (0.25 s) and offset "+02:00".
static bool time_of(const std::string &when, const std::string &subsec, const std::string &offset,
                    double *seconds)
{
    int y, mo, d, h, mi, s;
    char end;
    if (sscanf(when.c_str(), "%4d:%2d:%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &end) != 6)
        return false;
    GDateTime *t = g_date_time_new_utc(y, mo, d, h, mi, s);
    if (!t)
        return false;
    *seconds = static_cast<double>(g_date_time_to_unix(t));
    g_date_time_unref(t);
    if (!subsec.empty() && strspn(subsec.c_str(), "0123456789") == subsec.size())
        *seconds += g_ascii_strtod(("0." + subsec).c_str(), nullptr);
    int oh, om;
    char sign;
    if (sscanf(offset.c_str(), "%c%2d:%2d", &sign, &oh, &om) == 3 && (sign == '+' || sign == '-'))
        *seconds -= (sign == '+' ? 1 : -1) * (oh * 3600.0 + om * 60.0);
    return true;
}

// Degrees from the three rationals and the reference letter that makes them
// negative ("S", "W").
static bool angle_of(ExifData *exif, ExifTag tag, ExifTag ref, const char *negative,
                     double *degrees)
{
    ExifContent *gps = exif->ifd[EXIF_IFD_GPS];
    double dms[3];
    std::string side = text_of(gps, ref);
    if (!rationals_of(exif, gps, tag, 3, dms) || side.empty())
        return false;
    *degrees = (dms[0] + dms[1] / 60 + dms[2] / 3600) * (side == negative ? -1 : 1);
    return isfinite(*degrees);
}

static void read_exif(const std::string &path, PhotoMeta *meta, int *orientation)
{
    ExifLoader *loader = exif_loader_new();
    exif_loader_write_file(loader, path.c_str());
    ExifData *exif = exif_loader_get_data(loader);
    if (exif) {
        ExifContent *photo = exif->ifd[EXIF_IFD_EXIF], *gps = exif->ifd[EXIF_IFD_GPS];
        meta->has_time = time_of(text_of(photo, EXIF_TAG_DATE_TIME_ORIGINAL),
                                 text_of(photo, EXIF_TAG_SUB_SEC_TIME_ORIGINAL),
                                 text_of(photo, EXIF_TAG_OFFSET_TIME_ORIGINAL), &meta->time);
        double direction;
        if (rationals_of(exif, gps, static_cast<ExifTag>(EXIF_TAG_GPS_IMG_DIRECTION), 1,
                         &direction) &&
            direction >= 0 && direction <= 360) {
            meta->has_direction = true;
            meta->direction = fmod(direction, 360);
        }
        meta->has_position =
            angle_of(exif, static_cast<ExifTag>(EXIF_TAG_GPS_LATITUDE),
                     static_cast<ExifTag>(EXIF_TAG_GPS_LATITUDE_REF), "S", &meta->latitude) &&
            angle_of(exif, static_cast<ExifTag>(EXIF_TAG_GPS_LONGITUDE),
                     static_cast<ExifTag>(EXIF_TAG_GPS_LONGITUDE_REF), "W", &meta->longitude);
        ExifEntry *turn = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
        if (turn && turn->format == EXIF_FORMAT_SHORT && turn->size >= 2)
            *orientation = exif_get_short(turn->data, exif_data_get_byte_order(exif));
        exif_data_unref(exif);
    }
    exif_loader_unref(loader);
}

static std::string xmp_text(GExiv2Metadata *xmp, const char *tag)
{
    gchar *value = gexiv2_metadata_try_get_tag_string(xmp, tag, nullptr);
    std::string text = value ? value : "";
    g_free(value);
    return text;
}

bool photo_meta_read(const std::string &path, PhotoMeta *meta, std::string *reason)
{
    *meta = PhotoMeta{};
    ready();
    if (!g_file_test(path.c_str(), G_FILE_TEST_EXISTS)) {
        *reason = strerror(ENOENT);
        return false;
    }
    GExiv2Metadata *xmp = gexiv2_metadata_new();
    GError *error = nullptr;
    const char *type = nullptr;
    if (gexiv2_metadata_open_path(xmp, path.c_str(), &error))
        type = gexiv2_metadata_get_mime_type(xmp);
    g_clear_error(&error);
    if (!type || (strcmp(type, "image/jpeg") != 0 && strcmp(type, "image/png") != 0)) {
        *reason = "not a JPEG or PNG image";
        g_object_unref(xmp);
        return false;
    }
    meta->width = gexiv2_metadata_get_pixel_width(xmp);
    meta->height = gexiv2_metadata_get_pixel_height(xmp);
    int orientation = 1;
    read_exif(path, meta, &orientation);
    if (orientation >= 5)
        std::swap(meta->width, meta->height);

    std::string heading = xmp_text(xmp, "Xmp.GPano.PoseHeadingDegrees");
    char *end = nullptr;
    double degrees = g_ascii_strtod(heading.c_str(), &end);
    if (!heading.empty() && !*end && isfinite(degrees)) {
        meta->has_pose_heading = true;
        meta->pose_heading = fmod(fmod(degrees, 360) + 360, 360);
    }
    std::string projection = xmp_text(xmp, "Xmp.GPano.ProjectionType");
    meta->projection_recorded = projection == "equirectangular";
    meta->equirectangular = abs(meta->width - 2 * meta->height) <= 1 && meta->height > 0 &&
                            (projection.empty() || meta->projection_recorded);
    g_object_unref(xmp);
    return true;
}

bool photo_recorded_direction(const std::string &path, double *degrees, std::string *reason)
{
    PhotoMeta meta;
    if (!photo_meta_read(path, &meta, reason))
        return false;
    if (!meta.has_direction) {
        *reason = "no direction recorded (EXIF GPSImgDirection): write its heading for \"auto\"";
        return false;
    }
    *degrees = meta.direction;
    return true;
}
