#include "graph.h"

#include "format.h"

int nearest_heading(const std::array<int, HEADINGS> &photo, int heading)
{
    for (int turn = 0; turn <= HEADINGS / 2; turn++)
        for (int h : {(heading + turn) % HEADINGS, (heading - turn + HEADINGS) % HEADINGS})
            if (photo[h] >= 0)
                return h;
    return -1;
}

// The photographed heading of `point` nearest to `heading`, clockwise first
// on a tie; a substitution is a warning at `line`.
static int nearest_photo(const Plan *plan, Diagnostics *diagnostics, int point, int heading,
                         int line)
{
    const Point &p = plan->points[point];
    int h = nearest_heading(p.photo, heading);
    if (h >= 0 && h != heading)
        diagnose(diagnostics, line, WARNING,
                 p.name + " has no photograph facing " + heading_names[heading] + "; using " +
                     heading_names[h]);
    return h < 0 ? -1 : p.photo[h];
}

static void set_exit(const Plan *plan, Diagnostics *diagnostics, std::vector<PlannedSlide> &slides,
                     const std::vector<int> &slide_of, int photo, Exit exit, int target_photo,
                     int line)
{
    // A point without photographs, an error of its own, is no target.
    if (target_photo < 0)
        return;
    PlannedSlide &slide = slides[slide_of[photo]];
    int target = slide_of[target_photo];
    if (slide.exits[exit] >= 0 && slide.exits[exit] != target) {
        const Photo &from = plan->photos[photo];
        diagnose(diagnostics, line, ERROR,
                 heading_text(plan, from.point, from.heading) + " already leads " +
                     exit_kinds[exit].name + " to " + slides[slide.exits[exit]].id + " (line " +
                     std::to_string(slide.set_by[exit]) + ")");
        return;
    }
    slide.exits[exit] = target;
    slide.set_by[exit] = line;
}

// Turning from `heading` to the next photographed heading one way round.
static void add_turn(const Plan *plan, PlannedSlide *slide, const std::vector<int> &slide_of,
                     int step, Exit turn, Exit turn180)
{
    const Photo &photo = plan->photos[slide->photo];
    const Point &point = plan->points[photo.point];
    for (int k = 1; k < HEADINGS; k++) {
        int h = (photo.heading + step * k + HEADINGS) % HEADINGS;
        if (point.photo[h] >= 0) {
            slide->exits[h == opposite(photo.heading) ? turn180 : turn] = slide_of[point.photo[h]];
            return;
        }
    }
}

// The way back along a walk (forward) or down the stairs, when there is a
// photograph to leave from.
static void add_return(const Plan *plan, Diagnostics *diagnostics,
                       std::vector<PlannedSlide> &slides, const std::vector<int> &slide_of,
                       const Link &link)
{
    int back = opposite(link.heading);
    int from_photo = plan->points[link.to].photo[back];
    if (from_photo < 0) {
        diagnose(diagnostics, link.line, WARNING,
                 "no photograph of " + heading_text(plan, link.to, back) + ", so no way " +
                     (link.stairs ? "down" : "back") + " to " + plan->points[link.from].name);
        return;
    }
    int target = nearest_photo(plan, diagnostics, link.from, back, link.line);
    set_exit(plan, diagnostics, slides, slide_of, from_photo,
             link.stairs ? EXIT_DOWN : EXIT_FORWARD, target, link.line);
}

static void warn_unreachable(const Plan *plan, Diagnostics *diagnostics,
                             const std::vector<PlannedSlide> &slides)
{
    std::vector<bool> seen(slides.size(), false);
    std::vector<int> queue = {0};
    seen[0] = true;
    for (size_t i = 0; i < queue.size(); i++)
        for (int target : slides[queue[i]].exits)
            if (target >= 0 && !seen[target]) {
                seen[target] = true;
                queue.push_back(target);
            }
    std::vector<bool> reached(plan->points.size(), false);
    for (size_t i = 0; i < slides.size(); i++)
        if (seen[i])
            reached[plan->photos[slides[i].photo].point] = true;
    for (size_t p = 0; p < plan->points.size(); p++)
        if (!reached[p])
            diagnose(diagnostics, plan->points[p].line, WARNING,
                     "point \"" + plan->points[p].name + "\" cannot be reached from the start");
}

std::vector<PlannedSlide> build_slides(const Plan *plan, Diagnostics *diagnostics)
{
    std::vector<PlannedSlide> slides;
    if (plan->start_photo < 0)
        return slides;
    std::vector<int> order = {plan->start_photo};
    for (int i = 0; i < static_cast<int>(plan->photos.size()); i++)
        if (i != plan->start_photo)
            order.push_back(i);
    std::vector<int> slide_of(plan->photos.size());
    for (int photo : order) {
        slide_of[photo] = static_cast<int>(slides.size());
        const Photo &p = plan->photos[photo];
        PlannedSlide slide{
            slides.empty() ? start_id : plan->points[p.point].name + "-" + heading_names[p.heading],
            photo,
            {},
            {}};
        slide.exits.fill(-1);
        slide.set_by.fill(0);
        slides.push_back(slide);
    }
    for (PlannedSlide &slide : slides) {
        add_turn(plan, &slide, slide_of, -1, EXIT_LEFT, EXIT_LEFT180);
        add_turn(plan, &slide, slide_of, +1, EXIT_RIGHT, EXIT_RIGHT180);
    }
    for (const Link &link : plan->links) {
        int target = nearest_photo(plan, diagnostics, link.to, link.heading, link.line);
        set_exit(plan, diagnostics, slides, slide_of, plan->points[link.from].photo[link.heading],
                 link.stairs ? EXIT_UP : EXIT_FORWARD, target, link.line);
        if (!link.oneway)
            add_return(plan, diagnostics, slides, slide_of, link);
    }
    warn_unreachable(plan, diagnostics, slides);
    return slides;
}
