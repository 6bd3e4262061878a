// The plan on disk: read afresh for every request, written whole beside
// itself and renamed into place.
#include "touredit.h"

#include <errno.h>
#include <sys/stat.h>

#include "draft.h"
#include "photo_meta.h"

std::string sha256_hex(const std::string &bytes)
{
    gchar *hex = g_compute_checksum_for_data(
        G_CHECKSUM_SHA256, reinterpret_cast<const guchar *>(bytes.data()), bytes.size());
    std::string text = hex;
    g_free(hex);
    return text;
}

// Whether a photograph of DIR records something a draft is made from: when
// it was taken, which way it faced, where, or that it is a 360° photograph.
// Without any, a draft would only guess, and the plan starts empty instead.
static bool draft_has_grounds(const Editing *editing)
{
    for (const std::string &name : image_names(editing)) {
        PhotoMeta meta;
        std::string reason;
        if (photo_meta_read(editing->dir + "/" + name, &meta, &reason) &&
            (meta.has_time || meta.has_direction || meta.has_position || meta.has_pose_heading ||
             meta.projection_recorded))
            return true;
    }
    return false;
}

void draft_start(Editing *editing)
{
    Diagnostics ignored; // a folder that allows no draft starts from nothing
    std::string text;
    if (!g_file_test(editing->plan.c_str(), G_FILE_TEST_EXISTS) && draft_has_grounds(editing) &&
        draft_plan(editing->dir, &text, &ignored))
        editing->draft = text;
}

bool read_plan(const Editing *editing, PlanFile *plan, std::string *error)
{
    char *bytes = nullptr;
    gsize length = 0;
    GError *failure = nullptr;
    if (g_file_get_contents(editing->plan.c_str(), &bytes, &length, &failure)) {
        plan->exists = true;
        plan->text.assign(bytes, length);
        g_free(bytes);
    } else if (g_error_matches(failure, G_FILE_ERROR, G_FILE_ERROR_NOENT)) {
        g_error_free(failure);
        plan->exists = false;
        plan->text = editing->draft;
    } else {
        *error = failure->message;
        g_error_free(failure);
        return false;
    }
    plan->version = sha256_hex(plan->exists ? plan->text : "");
    return true;
}

bool save_plan(const Editing *editing, const std::string &text, std::string *error)
{
    struct stat st;
    int mode = stat(editing->plan.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0666;
    GError *failure = nullptr;
    if (g_file_set_contents_full(editing->plan.c_str(), text.data(),
                                 static_cast<gssize>(text.size()), G_FILE_SET_CONTENTS_CONSISTENT,
                                 mode, &failure))
        return true;
    *error = failure->message;
    g_error_free(failure);
    return false;
}
