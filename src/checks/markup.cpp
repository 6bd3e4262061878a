// What the loader passes over in data.xml without a word: elements it does
// not know, repeats of the ones it reads, empty exits, slides that the xmlns
// rule skips.
#include "checks.h"

#include <string.h>

bool has_outer_space(const char *text)
{
    size_t length = strlen(text);
    return length > 0 && (g_ascii_isspace(text[0]) || g_ascii_isspace(text[length - 1]));
}

static int exit_index(const char *name)
{
    for (size_t i = 0; i < exit_kinds.size(); i++)
        if (strcmp(exit_kinds[i].name, name) == 0)
            return (int)i;
    return -1;
}

// What the loader passes over inside `next`: empty and repeated exits,
// elements that are no exit.
static void check_next(Tour *tour, const LineMap &lines, const xmlnode *next)
{
    std::array<bool, EXIT_COUNT> seen{};
    for (const xmlnode *child = next->first_child; child; child = child->next) {
        if (child->type != XMLNODE_TYPE_TAG)
            continue;
        int line = line_of(lines, child);
        int kind = exit_index(child->name);
        if (kind < 0) {
            data_problem(tour, line, WARNING,
                         "unknown element <" + std::string(child->name) + "> in <next> is ignored");
            continue;
        }
        if (seen[kind]) {
            data_problem(tour, line, WARNING,
                         "repeated <" + std::string(child->name) +
                             "> is ignored: only the first one counts");
            continue;
        }
        seen[kind] = true;
        char *target = xmlnode_get_data(child);
        if (!target)
            data_problem(tour, line, WARNING,
                         "<" + std::string(child->name) + "> is empty and makes no exit");
        else if (has_outer_space(target))
            data_problem(tour, line, WARNING,
                         std::string(child->name) + " target " + quoted(target) +
                             " has leading or trailing white space");
        g_free(target);
    }
}

void check_slide_children(Tour *tour, const LineMap &lines, const xmlnode *slide)
{
    bool file_seen = false, next_seen = false;
    for (const xmlnode *child = slide->first_child; child; child = child->next) {
        if (child->type != XMLNODE_TYPE_TAG)
            continue;
        int line = line_of(lines, child);
        bool is_file = strcmp(child->name, file_tag) == 0;
        bool is_next = strcmp(child->name, next_tag) == 0;
        if (!is_file && !is_next)
            data_problem(tour, line, WARNING,
                         "unknown element <" + std::string(child->name) +
                             "> in <slide> is ignored");
        else if ((is_file && file_seen) || (is_next && next_seen))
            data_problem(tour, line, WARNING,
                         "repeated <" + std::string(child->name) +
                             "> is ignored: only the first one counts");
        else if (is_next)
            check_next(tour, lines, child);
        file_seen = file_seen || is_file;
        next_seen = next_seen || is_next;
    }
}

static std::string slide_name(xmlnode *element)
{
    char *id = cdata(element, file_tag);
    std::string name = id && *id ? "slide " + quoted(id) : "slide without id";
    g_free(id);
    return name;
}

// After a slide with an xmlns attribute the loader takes only slides with the
// same value; report the ones it passes over, and elements that are no slide.
void check_skipped(Tour *tour, const LineMap &lines, xmlnode *root,
                   const std::vector<const xmlnode *> &taken)
{
    size_t next_taken = 0;
    const xmlnode *last_taken = NULL;
    for (xmlnode *child = root->first_child; child; child = child->next) {
        if (child->type != XMLNODE_TYPE_TAG)
            continue;
        int line = line_of(lines, child);
        if (strcmp(child->name, slide_tag) != 0) {
            data_problem(tour, line, WARNING,
                         "unknown element <" + std::string(child->name) + "> in <" + root->name +
                             "> is ignored");
        } else if (next_taken < taken.size() && taken[next_taken] == child) {
            last_taken = child;
            next_taken++;
        } else {
            const char *want = last_taken ? xmlnode_get_attrib(last_taken, "xmlns") : "";
            const char *have = xmlnode_get_attrib(child, "xmlns");
            std::string why = have ? "its xmlns " + quoted(have) + " differs from "
                                   : std::string("it lacks the xmlns ");
            data_problem(tour, line, ERROR,
                         slide_name(child) + " is passed over by the viewer: " + why +
                             quoted(want ? want : "") + " of the slide at line " +
                             std::to_string(line_of(lines, last_taken)));
        }
    }
}
