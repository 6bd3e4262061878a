// The slide graph in Graphviz's dot language: one node per slide, one edge per
// exit, with the slides nobody reaches and the ids no slide has marked.
#include "checks.h"

#include <string.h>

static void add_node(std::string *out, const char *id, const char *attributes)
{
    *out += "  " + quoted(id);
    if (*attributes)
        *out += std::string(" [") + attributes + "]";
    *out += ";\n";
}

static std::string edge(const Slide *slide, size_t kind, bool dangling)
{
    const char *target = slide->*exit_kinds[kind].field;
    std::string line =
        "  " + quoted(slide->id) + " -> " + quoted(target) + " [label=\"" + exit_kinds[kind].name;
    if (!taken_exit(slide, exit_kinds[kind]))
        line += " (never taken)\", style=dotted, color=gray, fontcolor=gray";
    else if (dangling)
        line += "\", color=red, fontcolor=red";
    else
        line += "\"";
    return line + "];\n";
}

std::string tour_dot(const Tour *tour)
{
    std::string out = "digraph tour {\n  node [shape=box, fontname=\"Helvetica\"];\n"
                      "  edge [fontname=\"Helvetica\", fontsize=10];\n";
    std::set<std::string> reachable = reachable_ids(tour);
    bool has_start = g_hash_table_contains(tour->table, start_id);
    for (const SlideLines &lines : tour->slides) {
        const char *id = lines.id.c_str();
        if (lines.id == start_id)
            add_node(&out, id, "penwidth=3");
        else if (has_start && !reachable.count(lines.id))
            add_node(&out, id, "style=dashed, xlabel=\"unreachable\"");
        else
            add_node(&out, id, "");
    }

    std::set<std::string> extra; // the map and ids that name no slide
    std::string edges;
    for (const SlideLines &lines : tour->slides) {
        const Slide *slide =
            static_cast<Slide *>(g_hash_table_lookup(tour->table, lines.id.c_str()));
        for (size_t kind : report_order) {
            const char *target = slide->*exit_kinds[kind].field;
            if (!target)
                continue;
            bool dangling = !g_hash_table_contains(tour->table, target);
            if (dangling || strcmp(target, map_id) == 0)
                extra.insert(target);
            edges += edge(slide, kind, dangling);
        }
    }
    for (const std::string &id : extra) {
        if (id == map_id)
            add_node(&out, map_id, "shape=ellipse");
        else
            add_node(&out, id.c_str(),
                     "style=dashed, color=red, fontcolor=red, xlabel=\"no such slide\"");
    }
    return out + edges + "}\n";
}
