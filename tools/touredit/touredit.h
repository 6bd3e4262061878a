// touredit: the plan being edited, what the server keeps between requests,
// and the parts of the server by file.
#ifndef TOURVIEW_TOUREDIT_H
#define TOURVIEW_TOUREDIT_H

#include <stdint.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <glib.h>
#include <json-glib/json-glib.h>

#include "plan_edit.h"
#include "webexport.h"

// An image's header as last read, kept while its size and time stay.
struct ImageHeader {
    int64_t size = -1, mtime = -1;
    bool ok = false;
    int width = 0, height = 0;
};

struct Jobs;

struct Editing {
    std::string plan;     // the plan file, as named on the command line
    std::string dir;      // the plan's directory: photographs are found there
    std::string real_dir; // its real path: no name may lead outside it
    std::string outdir;
    std::string cache; // this plan's cache directory (made when first needed)
    std::string secret;
    std::string draft; // what a plan not yet on disk starts from
    unsigned port = 0;
    std::string page_dir, web_dir;              // the editor's page, tourweb's page
    std::map<std::string, ImageHeader> headers; // by path
    std::string state_key, state;               // the last state sent, and what it came from
    Jobs *jobs = nullptr;                       // the tours being made
};

// The plan as the disk has it now.
struct PlanFile {
    bool exists = false;
    std::string text;
    std::string version; // lowercase hex SHA-256 of the bytes
};

// plan_file.cpp
std::string sha256_hex(const std::string &bytes);
// A plan not yet on disk starts from the draft of its directory's
// photographs where one records when, where or which way it was taken, or
// that it is a 360° photograph (read once, here); else from nothing.
void draft_start(Editing *editing);
// False with *error when PLAN exists but cannot be read; a plan not on disk
// reads as editing->draft.
bool read_plan(const Editing *editing, PlanFile *plan, std::string *error);
// Written beside PLAN and renamed into place, with PLAN's permissions.
bool save_plan(const Editing *editing, const std::string &text, std::string *error);

// files.cpp
// The file `name` of `root` (a real path): decoded once already, no ".."
// segment, not absolute, no backslash, and its real path inside root; false
// otherwise.
bool file_inside(const std::string &root, const std::string &name, std::string *path);
// A JPEG or PNG whose header reads, its size seen upright; false otherwise.
bool image_header(Editing *editing, const std::string &path, int *width, int *height);
// The JPEG and PNG files of DIR by name, links out of it left out.
std::vector<std::string> image_names(const Editing *editing);
// What changes when DIR's images change: their names, sizes and times.
std::string images_signature(const Editing *editing);
// A JPEG of `path`, its longest side `size`, from the cache or made and
// cached; false with *error when it cannot be made.
bool thumbnail(Editing *editing, const std::string &path, int size, std::string *jpeg,
               std::string *error);
// "image/jpeg", "image/png", or "" for a file that is neither.
std::string image_type(const std::string &path);

// state.cpp
// The state of the contract as JSON text; `conflict` adds "conflict":true.
// Beside "version" it has "images", images_signature(), which changes when
// DIR's images do.
std::string state_json(Editing *editing, const PlanFile &plan, bool conflict);

// suggest.cpp
struct Suggestion {
    int from, heading, to; // points and heading of the plan
};
// For each photographed heading that leads nowhere, the nearest point on the
// same floor within its 90-degree view that no walk or stairs join to it.
std::vector<Suggestion> suggest_walks(const Plan *plan);

// edits_json.cpp
// The edits of a request, as plan_edit() takes them; false with *refusal when
// one is not well formed.
bool edits_from_json(JsonArray *array, std::vector<PlanEdit> *edits, PlanEditRefusal *refusal);

// access.cpp
struct AccessRequest {
    std::string method, host, origin, upgrade, cookie;
    bool has_secret = false;
    std::string secret;
};
enum class Access { ALLOW, REFUSE, SET_COOKIE };
// The access rules in their order: Host, Origin for what changes anything,
// then the secret or the cookie that carries it.
Access check_access(const Editing *editing, const AccessRequest &request);
// The cookie's name and its Set-Cookie value.
std::string cookie_name(const Editing *editing);
std::string set_cookie_value(const Editing *editing);

// jobs.cpp: tours made on a worker thread, one run at a time, while the
// server goes on answering. Everything here runs on the main loop.
// An answer to a request that waits: its status and JSON body.
using Answer = std::function<void(unsigned status, const std::string &json)>;
void jobs_start(Editing *editing);
// A preview of the plan on disk, opened at `point` facing `heading` (else at
// the point's first photograph, else at the start): `answer` is given
// {"url":"/preview/N/index.html#ID","version":V} once it is made, or
// {"error":M} (422 for errors in the plan).
void ask_preview(Editing *editing, const std::string &point, const std::string &heading,
                 Answer answer);
// Starts making the tour into OUTDIR (OUTDIR.html when `single`): 202 with the
// job, or 409 {"ask":"replace"} for a target that is there and not empty, 422
// for a plan with errors or a target that cannot be one, 429 while a tour is
// being made.
unsigned ask_make(Editing *editing, bool single, bool replace, std::string *json);
// The making as GET /api/job tells it.
std::string job_json(const Editing *editing);
// The directory of preview `number` while it is the one shown, else "".
std::string preview_dir(const Editing *editing, const std::string &number);
// Stops what runs and waits for it, the main loop turning meanwhile; removes
// this process's previews.
void jobs_stop(Editing *editing);

// server.cpp
// `text` as a JSON string.
std::string json_string(const std::string &text);
// Listens on the loopback address at editing->port (0: a free one, then set);
// false with *error when it cannot.
bool serve(Editing *editing, std::string *error);
void stop_serving();

#endif
