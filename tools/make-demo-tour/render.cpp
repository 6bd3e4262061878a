// A column ray caster over the height grid: each cell has its own floor and
// ceiling, so steps, lintels and the stairwell come out with true perspective.
// Rows are filled front to back between a top and a bottom clip per column.
// The same caster makes an equirectangular photograph: a column for each
// compass direction, a row for each elevation.
#include "render.h"

#include <algorithm>
#include <array>
#include <vector>

#include "decorations.h"
#include "materials.h"

static const double FOCAL = (PHOTO_WIDTH / 2) / std::tan(37.5 * 3.14159265358979 / 180);

namespace
{
struct Camera {
    double x, y, eye;
    double fx, fy;  // forward
    double rx, ry;  // right
    double horizon; // screen row of eye level: moved to tilt the view up or down
    // Equirectangular: each row's rise per unit of horizontal distance (the
    // tangent of its elevation) and the angle a pixel spans.
    bool equirect = false;
    int rows = PHOTO_HEIGHT;
    std::vector<double> slope;
    double pixel_angle = 0;
};

struct Surface {
    double x, y, z;
    float nx, ny, nz;
    int room;
    float ao;
    float shine;
    Rgb albedo;
    Rgb emission;
};

// What a column's ray found on one wall face, shared by its rows.
struct WallHit {
    int axis;
    double along;
    const Decoration *decor;
    float corner_ao;
};
} // namespace

static Rgb light_surface(const Scene &scene, const Camera &cam, const Surface &s)
{
    const Room &room = scene.rooms[s.room];
    // Ceilings get most of their light second-hand, from the floor and walls.
    float ambient = room.ambient * s.ao * (s.nz < 0 ? 2.8f : 1.0f);
    Rgb diffuse = {ambient, ambient, ambient};
    Rgb specular = {0, 0, 0};
    double vx = cam.x - s.x, vy = cam.y - s.y, vz = cam.eye - s.z;
    double vlen = std::sqrt(vx * vx + vy * vy + vz * vz);
    for (const Light &light : scene.lights) {
        if (light.room != s.room)
            continue;
        double lx = light.x - s.x, ly = light.y - s.y, lz = light.z - s.z;
        double d2 = lx * lx + ly * ly + lz * lz, d = std::sqrt(d2);
        double ndl = (lx * s.nx + ly * s.ny + lz * s.nz) / d;
        if (ndl <= 0)
            continue;
        float fall = light.power / static_cast<float>(1 + d2 * 0.6);
        float k = static_cast<float>(ndl) * fall * (0.55f + 0.45f * s.ao);
        diffuse = diffuse + Rgb{k, k * 0.96f, k * 0.88f};
        if (s.shine > 0) {
            double hx = lx / d + vx / vlen, hy = ly / d + vy / vlen, hz = lz / d + vz / vlen;
            double hl = std::sqrt(hx * hx + hy * hy + hz * hz);
            double ndh = (hx * s.nx + hy * s.ny + hz * s.nz) / hl;
            if (ndh > 0) {
                float sp = s.shine * fall * static_cast<float>(std::pow(ndh, 60.0)) * 0.8f;
                specular = specular + Rgb{sp, sp, sp * 0.95f};
            }
        }
    }
    return s.albedo * diffuse + specular + s.emission;
}

static const std::array<unsigned char, 4096> &to_srgb_table()
{
    static std::array<unsigned char, 4096> table = [] {
        std::array<unsigned char, 4096> t{};
        for (int i = 0; i < 4096; i++)
            t[i] = static_cast<unsigned char>(std::lround(std::pow(i / 4095.0, 1 / 2.2) * 255));
        return t;
    }();
    return table;
}

static void put_pixel(const Camera &cam, Image &image, int px, int py, Rgb c)
{
    const auto &table = to_srgb_table();
    // Soft shoulder so lamps and windows burn out gently, and a faint vignette
    // (none in an equirectangular photograph, stitched from several).
    double dx = (px - PHOTO_WIDTH / 2.0) / PHOTO_WIDTH,
           dy = (py - PHOTO_HEIGHT / 2.0) / PHOTO_WIDTH;
    float vignette = cam.equirect ? 1.0f : static_cast<float>(1 - 0.55 * (dx * dx + dy * dy));
    unsigned char *p = image_pixel(image, px, py);
    const float channels[3] = {c.r, c.g, c.b};
    for (int k = 0; k < 3; k++) {
        float v = channels[k] * 1.1f * vignette;
        v = v / (1 + 0.12f * v * v);
        p[k] = table[static_cast<int>(clamp01(v) * 4095 + 0.5f)];
    }
}

// The number of rows whose centre lies above screen height y.
static int rows_above(double y)
{
    return static_cast<int>(std::ceil(std::clamp(y, -1e6, 1e6) - 0.5));
}

// The horizontal distance at which row r meets the plane `dz` above the eye
// (below when negative).
static double distance_to_plane(const Camera &cam, int r, double dz)
{
    return cam.equirect ? dz / cam.slope[r] : FOCAL * dz / (cam.horizon - (r + 0.5));
}

// The size of a pixel at horizontal distance t.
static double footprint(const Camera &cam, double t)
{
    return cam.equirect ? t * cam.pixel_angle : t / FOCAL;
}

// The number of rows that see above the point `dz` over the eye at
// horizontal distance t.
static int rows_over(const Camera &cam, double dz, double t)
{
    if (cam.equirect)
        return rows_above(cam.rows / 2.0 - std::atan2(dz, t) * cam.rows / M_PI);
    return rows_above(cam.horizon - FOCAL * dz / t);
}

static float floor_ao(const Scene &scene, double x, double y)
{
    float d = distance_to_wall(scene, x, y);
    return 1 - 0.5f * std::exp(-d / 0.22f);
}

static void shade_floor(const Scene &scene, const Camera &cam, const Cell &cell, int col, double dx,
                        double dy, Image &image, int px, int r0, int r1)
{
    const Room &room = scene.rooms[cell.room];
    double drop = cam.eye - cell.floor;
    double cell_x0 = scene.origin_x + col * CELL_SIZE;
    for (int r = r0; r < r1; r++) {
        double t = distance_to_plane(cam, r, -drop);
        Surface s{};
        s.x = cam.x + dx * t;
        s.y = cam.y + dy * t;
        s.z = cell.floor;
        s.nz = 1;
        s.room = cell.room;
        float fp = static_cast<float>(footprint(cam, t) * std::sqrt(std::max(1.0, t / drop)));
        if (cell.stair) {
            s.albedo = stair_tread_color(room, s.x, s.y, cell_x0, cell_x0 + CELL_SIZE,
                                         std::fabs(s.y - scene.stair_middle_y), fp);
            s.shine = 0.2f;
            // The next riser shades the back of each tread.
            double back = cell_x0 + CELL_SIZE - s.x;
            s.ao = floor_ao(scene, s.x, s.y) * (1 - 0.35f * std::exp(-back / 0.05));
        } else {
            s.albedo = floor_color(room, s.x, s.y, fp, &s.shine);
            s.ao = floor_ao(scene, s.x, s.y);
        }
        put_pixel(cam, image, px, r, light_surface(scene, cam, s));
    }
}

static void shade_ceiling(const Scene &scene, const Camera &cam, const Cell &cell, double dx,
                          double dy, Image &image, int px, int r0, int r1)
{
    const Room &room = scene.rooms[cell.room];
    double rise = cell.ceiling - cam.eye;
    for (int r = r0; r < r1; r++) {
        double t = distance_to_plane(cam, r, rise);
        Surface s{};
        s.x = cam.x + dx * t;
        s.y = cam.y + dy * t;
        s.z = cell.ceiling;
        s.nz = -1;
        s.room = cell.room;
        float fp = static_cast<float>(footprint(cam, t) * std::sqrt(std::max(1.0, t / rise)));
        s.albedo = ceiling_color(room, s.x, s.y, fp);
        s.ao = 1 - 0.6f * (1 - floor_ao(scene, s.x, s.y));
        for (const Light &light : scene.lights) {
            if (light.room != cell.room)
                continue;
            double d = std::hypot(s.x - light.x, s.y - light.y);
            if (d < 0.15)
                s.emission = Rgb{3.2f, 3.0f, 2.6f} * (1 - static_cast<float>(d / 0.15) * 0.3f);
            else if (d < 0.19)
                s.albedo = room.trim * 0.8f;
        }
        put_pixel(cam, image, px, r, light_surface(scene, cam, s));
    }
}

static const Decoration *find_decoration(const Scene &scene, int axis, double plane, int facing,
                                         double along)
{
    for (const Decoration &d : scene.decorations)
        if (d.axis == axis && d.facing == facing && std::fabs(d.plane - plane) < 1e-6 &&
            along >= d.u0 && along <= d.u1)
            return &d;
    return nullptr;
}

// Darkening where another wall meets this one: look along the row of open
// cells in front of the wall for the nearest solid one.
static float corner_ao(const Scene &scene, int axis, int col, int row, double along)
{
    double best = 1.0;
    for (int dir = -1; dir <= 1; dir += 2)
        for (int k = 1; k <= 4; k++) {
            int c = axis == 0 ? col : col + dir * k, r = axis == 0 ? row + dir * k : row;
            if (!scene_cell(scene, c, r).solid)
                continue;
            int index = axis == 0 ? r : c;
            double origin = axis == 0 ? scene.origin_y : scene.origin_x;
            double edge = origin + (dir > 0 ? index : index + 1) * CELL_SIZE;
            best = std::min(best, std::fabs(edge - along));
            break;
        }
    return 1 - 0.45f * static_cast<float>(std::exp(-best / 0.2));
}

// A vertical face: a wall, a riser or a lintel. `floor` and `ceiling` are
// those of the open cell in front of it.
static void shade_face(const Scene &scene, const Camera &cam, const WallHit &hit, double t,
                       double dx, double dy, const Cell &front, bool riser, Image &image, int px,
                       int r0, int r1)
{
    const Room &room = scene.rooms[front.room];
    float fp = static_cast<float>(footprint(cam, t));
    for (int r = r0; r < r1; r++) {
        Surface s{};
        s.x = cam.x + dx * t;
        s.y = cam.y + dy * t;
        s.z = cam.eye + (cam.equirect ? cam.slope[r] * t : (cam.horizon - (r + 0.5)) * t / FOCAL);
        s.room = front.room;
        if (hit.axis == 0)
            s.nx = dx > 0 ? -1.0f : 1.0f;
        else
            s.ny = dy > 0 ? -1.0f : 1.0f;
        double height = s.z - front.floor;
        double below_ceiling = front.ceiling - s.z;
        s.ao = hit.corner_ao * (1 - 0.35f * static_cast<float>(std::exp(-height / 0.18))) *
               (1 - 0.3f * static_cast<float>(std::exp(-below_ceiling / 0.25)));
        if (riser) {
            s.albedo = front.stair
                           ? stair_riser_color(room, std::fabs(s.y - scene.stair_middle_y), fp)
                           : wall_color(room, hit.along, 1.0, fp);
            s.ao *= 0.85f;
        } else if (hit.decor && s.z >= hit.decor->z0 && s.z <= hit.decor->z1) {
            const Decoration &d = *hit.decor;
            int right = d.axis == 0 ? d.facing : -d.facing;
            float u = static_cast<float>(right > 0 ? hit.along - d.u0 : d.u1 - hit.along);
            s.albedo =
                decoration_color(d, room, u, static_cast<float>(s.z - d.z0), fp, &s.emission);
        } else {
            s.albedo = wall_color(room, hit.along, height, fp);
            // The shadow a hanging picture casts just below itself.
            if (hit.decor && hit.decor->kind == DECOR_PAINTING && s.z < hit.decor->z0 &&
                s.z > hit.decor->z0 - 0.05)
                s.ao *= 0.6f + 0.4f * static_cast<float>((hit.decor->z0 - s.z) / 0.05);
        }
        put_pixel(cam, image, px, r, light_surface(scene, cam, s));
    }
}

// Column px looking along (dx, dy): in perspective forward plus a share of
// right, so that t is the depth; in an equirectangular photograph a unit
// direction, so that t is the horizontal distance.
static void render_column(const Scene &scene, const Camera &cam, double dx, double dy, Image &image,
                          int px)
{
    double gx = (cam.x - scene.origin_x) / CELL_SIZE, gy = (cam.y - scene.origin_y) / CELL_SIZE;
    int col = static_cast<int>(std::floor(gx)), row = static_cast<int>(std::floor(gy));
    int step_x = dx > 0 ? 1 : -1, step_y = dy > 0 ? 1 : -1;
    const double far = 1e9;
    double t_max_x = dx != 0 ? ((col + (dx > 0)) - gx) * CELL_SIZE / dx : far;
    double t_max_y = dy != 0 ? ((row + (dy > 0)) - gy) * CELL_SIZE / dy : far;
    double t_delta_x = dx != 0 ? CELL_SIZE / std::fabs(dx) : far;
    double t_delta_y = dy != 0 ? CELL_SIZE / std::fabs(dy) : far;
    int top = 0, bottom = cam.rows;

    for (int guard = 0; guard < 4 * (scene.cols + scene.rows) && top < bottom; guard++) {
        const Cell &cell = scene_cell(scene, col, row);
        int axis = t_max_x < t_max_y ? 0 : 1;
        // A camera standing on a cell edge may meet that edge at a tiny negative depth.
        double t = std::max(axis == 0 ? t_max_x : t_max_y, 1e-6);
        if (cell.ceiling > cam.eye) {
            int end = std::min(bottom, rows_over(cam, cell.ceiling - cam.eye, t));
            shade_ceiling(scene, cam, cell, dx, dy, image, px, top, end);
            top = std::max(top, end);
        }
        if (cell.floor < cam.eye) {
            int start = std::max(top, rows_over(cam, cell.floor - cam.eye, t));
            shade_floor(scene, cam, cell, col, dx, dy, image, px, start, bottom);
            bottom = std::min(bottom, start);
        }
        if (top >= bottom)
            break;
        int next_col = axis == 0 ? col + step_x : col, next_row = axis == 0 ? row : row + step_y;
        const Cell &next = scene_cell(scene, next_col, next_row);
        WallHit hit{axis, axis == 0 ? cam.y + dy * t : cam.x + dx * t, nullptr, 1.0f};
        if (next.solid) {
            double plane = axis == 0 ? scene.origin_x + (col + (step_x > 0)) * CELL_SIZE
                                     : scene.origin_y + (row + (step_y > 0)) * CELL_SIZE;
            int facing = axis == 0 ? -step_x : -step_y;
            hit.decor = find_decoration(scene, axis, plane, facing, hit.along);
            hit.corner_ao = corner_ao(scene, axis, col, row, hit.along);
            shade_face(scene, cam, hit, t, dx, dy, cell, false, image, px, top, bottom);
            break;
        }
        if (next.floor > cell.floor) {
            int start = std::max(top, rows_over(cam, next.floor - cam.eye, t));
            Cell front = cell;
            front.stair = next.stair;
            shade_face(scene, cam, hit, t, dx, dy, front, true, image, px, start, bottom);
            bottom = std::min(bottom, start);
        }
        if (next.ceiling < cell.ceiling) {
            int end = std::min(bottom, rows_over(cam, next.ceiling - cam.eye, t));
            shade_face(scene, cam, hit, t, dx, dy, cell, false, image, px, top, end);
            top = std::max(top, end);
        }
        col = next_col;
        row = next_row;
        if (axis == 0)
            t_max_x += t_delta_x;
        else
            t_max_y += t_delta_y;
    }
}

// Looking up a flight of stairs the camera tilts up a little; looking down it
// tilts well down, or the steps would lie below the picture. The tilt shifts
// the horizon, which keeps verticals upright as an architect's camera does.
static double view_tilt(const Scene &scene, int point, Heading heading)
{
    for (const StairMove &m : scene.stairs)
        if (m.point == point && m.heading == heading)
            return m.up ? 70 : -400;
    return 0;
}

Image render_view(const Scene &scene, int point, Heading heading)
{
    const StandPoint &p = scene.points[point];
    static const int fx[] = {1, 0, -1, 0}, fy[] = {0, 1, 0, -1};
    Camera cam{};
    cam.x = p.x;
    cam.y = p.y;
    cam.eye = cell_at(scene, p.x, p.y).floor + EYE_HEIGHT;
    cam.fx = fx[heading];
    cam.fy = fy[heading];
    cam.rx = cam.fy;
    cam.ry = -cam.fx;
    cam.horizon = PHOTO_HEIGHT / 2.0 + view_tilt(scene, point, heading);
    Image image = image_new(PHOTO_WIDTH, PHOTO_HEIGHT, 3);
    for (int px = 0; px < PHOTO_WIDTH; px++) {
        double sx = (px + 0.5 - PHOTO_WIDTH / 2.0) / FOCAL;
        render_column(scene, cam, cam.fx + cam.rx * sx, cam.fy + cam.ry * sx, image, px);
    }
    return image;
}

Image render_equirect(const Scene &scene, int point, int width, double centre)
{
    const StandPoint &p = scene.points[point];
    Camera cam{};
    cam.x = p.x;
    cam.y = p.y;
    cam.eye = cell_at(scene, p.x, p.y).floor + EYE_HEIGHT;
    cam.equirect = true;
    cam.rows = width / 2;
    for (int r = 0; r < cam.rows; r++)
        cam.slope.push_back(std::tan((cam.rows / 2.0 - (r + 0.5)) * M_PI / cam.rows));
    cam.pixel_angle = M_PI / cam.rows;
    Image image = image_new(width, cam.rows, 3);
    for (int px = 0; px < width; px++) {
        // Compass degrees, clockwise from north; the world's y points north.
        double heading = (centre + (px + 0.5) * 360.0 / width - 180) * M_PI / 180;
        render_column(scene, cam, std::sin(heading), std::cos(heading), image, px);
    }
    return image;
}
