// The slide graph as the viewer walks it: the start slide, where exits lead,
// which slides a visitor can reach and where one gets stuck.
#include "checks.h"

#include <string.h>

static Slide *find_slide(const Tour *tour, const char *id)
{
    return static_cast<Slide *>(g_hash_table_lookup(tour->table, id));
}

std::set<std::string> reachable_ids(const Tour *tour)
{
    std::set<std::string> seen;
    std::vector<const Slide *> todo;
    if (const Slide *start = find_slide(tour, start_id)) {
        seen.insert(start->id);
        todo.push_back(start);
    }
    while (!todo.empty()) {
        const Slide *slide = todo.back();
        todo.pop_back();
        for (size_t kind = 0; kind < exit_kinds.size(); kind++) {
            const char *target = taken_exit(slide, exit_kinds[kind]);
            const Slide *next = target ? find_slide(tour, target) : NULL;
            if (next && seen.insert(next->id).second)
                todo.push_back(next);
        }
    }
    return seen;
}

static std::string dangling_message(const Tour *tour, const char *kind, const char *target)
{
    std::string message = std::string(kind) + " exit names no slide: " + quoted(target);
    char *trimmed = g_strstrip(g_strdup(target));
    if (strcmp(trimmed, target) != 0 && find_slide(tour, trimmed))
        message += " (there is a slide " + quoted(trimmed) + ")";
    g_free(trimmed);
    return message;
}

static void check_exits(Tour *tour, const SlideLines &lines, const Slide *slide)
{
    for (size_t kind : report_order) {
        const char *target = slide->*exit_kinds[kind].field;
        if (!target)
            continue;
        const char *name = exit_kinds[kind].name;
        int line = lines.exits[kind];
        if (!taken_exit(slide, exit_kinds[kind]))
            diagnose(&tour->problems, tour_file, line, WARNING,
                     std::string(name) + " exit to " + quoted(target) + " is never taken: " + name +
                         "180 wins");
        else if (strcmp(target, map_id) == 0)
            diagnose(&tour->problems, tour_file, line, WARNING,
                     std::string(name) +
                         " exit leads to the map, from which Tab does not lead back");
        else if (!find_slide(tour, target))
            diagnose(&tour->problems, tour_file, line, ERROR, dangling_message(tour, name, target));
    }
}

// Exits to the map do not lead on: the viewer stays on the map once there.
static bool is_dead_end(const Slide *slide)
{
    for (const ExitKind &kind : exit_kinds) {
        const char *target = slide->*kind.field;
        if (target && strcmp(target, map_id) != 0)
            return false;
    }
    return true;
}

void check_graph(Tour *tour)
{
    bool has_start = find_slide(tour, start_id) != NULL;
    if (!has_start)
        diagnose(&tour->problems, tour_file, 0, ERROR,
                 "the start slide " + quoted(start_id) + " is missing: the viewer cannot start");
    std::set<std::string> reachable = reachable_ids(tour);
    for (const SlideLines &lines : tour->slides) {
        const Slide *slide = find_slide(tour, lines.id.c_str());
        check_exits(tour, lines, slide);
        if (is_dead_end(slide))
            diagnose(&tour->problems, tour_file, lines.line, WARNING,
                     "slide " + quoted(slide->id) + " is a dead end: no exit leads on");
        if (has_start && !reachable.count(lines.id))
            diagnose(&tour->problems, tour_file, lines.line, WARNING,
                     "slide " + quoted(slide->id) + " cannot be reached from " + quoted(start_id));
    }
}
