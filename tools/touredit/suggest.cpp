// Walks the plan may want: a point in plain view of a photographed heading
// that leads nowhere yet.
#include "touredit.h"

#include <math.h>

// Whether the exit of `point` facing `heading` is taken: its own walk or
// stairs, the way back of a walk to it, or the way down of stairs to it.
static bool leads_somewhere(const Plan *plan, int point, int heading)
{
    for (const Link &link : plan->links) {
        if (link.from == point && link.heading == heading)
            return true;
        bool returns = link.stairs || !link.oneway;
        if (returns && link.to == point && opposite(link.heading) == heading)
            return true;
    }
    return false;
}

static bool joined(const Plan *plan, int a, int b)
{
    for (const Link &link : plan->links)
        if ((link.from == a && link.to == b) || (link.from == b && link.to == a))
            return true;
    return false;
}

// Degrees clockwise from up (north, -y) to the way from `from` to `to`.
static double bearing(const Point &from, const Point &to)
{
    double degrees = atan2(to.x - from.x, from.y - to.y) * 180.0 / M_PI;
    return degrees < 0 ? degrees + 360.0 : degrees;
}

std::vector<Suggestion> suggest_walks(const Plan *plan)
{
    std::vector<Suggestion> found;
    int count = static_cast<int>(plan->points.size());
    for (int a = 0; a < count; a++) {
        const Point &from = plan->points[a];
        for (int h = 0; h < HEADINGS; h++) {
            if (from.photo[h] < 0 || leads_somewhere(plan, a, h))
                continue;
            int nearest = -1;
            double best = 0;
            for (int b = 0; b < count; b++) {
                const Point &to = plan->points[b];
                if (b == a || to.floor != from.floor || joined(plan, a, b))
                    continue;
                double off = fabs(fmod(bearing(from, to) - h * 45.0 + 540.0, 360.0) - 180.0);
                double distance = hypot(to.x - from.x, to.y - from.y);
                if (off <= 45.0 && distance > 0 && (nearest < 0 || distance < best)) {
                    nearest = b;
                    best = distance;
                }
            }
            if (nearest >= 0)
                found.push_back({a, h, nearest});
        }
    }
    return found;
}
