// The places file through the XML module.
#include "places.h"

#include <math.h>
#include <string.h>

#include <set>

#include "format.h"
#include "xmlnode.h"

static const char root_name[] = "places";

static std::string coordinate_text(double value)
{
    char text[G_ASCII_DTOSTR_BUF_SIZE];
    return g_ascii_formatd(text, sizeof text, "%.1f", value);
}

std::string places_to_xml(const TourPlaces &places)
{
    xmlnode *root = xmlnode_new(root_name);
    xmlnode_set_attrib(root, "version", std::to_string(PLACES_VERSION).c_str());
    if (!places.title.empty())
        xmlnode_insert_data(xmlnode_new_child(root, "title"), places.title.c_str(), -1);
    for (const PlacedPoint &point : places.points) {
        xmlnode *node = xmlnode_new_child(root, "point");
        xmlnode_set_attrib(node, "name", point.name.c_str());
        xmlnode_set_attrib(node, "x", coordinate_text(point.x).c_str());
        xmlnode_set_attrib(node, "y", coordinate_text(point.y).c_str());
        for (int h = 0; h < HEADINGS; h++) {
            if (point.slides[h].empty())
                continue;
            xmlnode *slide = xmlnode_new_child(node, "slide");
            xmlnode_set_attrib(slide, "heading", heading_names[h]);
            xmlnode_insert_data(slide, point.slides[h].c_str(), -1);
        }
    }
    char *text = xmlnode_to_formatted_str(root, NULL);
    xmlnode_free(root);
    std::string xml = text ? text : "";
    g_free(text);
    return xml;
}

// The element's text; "" when it has none.
static std::string text_of(const xmlnode *node)
{
    char *data = xmlnode_get_data(node);
    std::string text = data ? data : "";
    g_free(data);
    return text;
}

static bool coordinate(const xmlnode *point, const char *name, double limit, double *value)
{
    const char *text = xmlnode_get_attrib(point, name);
    if (!text || !*text)
        return false;
    char *end = NULL;
    *value = g_ascii_strtod(text, &end);
    return *end == '\0' && isfinite(*value) && *value >= 0 && *value <= limit;
}

// One <point>; false with *problem.
static bool read_point(xmlnode *node, std::set<std::string> *ids, PlacedPoint *point,
                       std::string *problem)
{
    const char *name = xmlnode_get_attrib(node, "name");
    if (!name || !*name) {
        *problem = "a point has no name";
        return false;
    }
    point->name = name;
    std::string where = "point " + quoted(name);
    if (!coordinate(node, "x", PHOTO_WIDTH, &point->x) ||
        !coordinate(node, "y", PHOTO_HEIGHT, &point->y)) {
        *problem = where + " has no place on the map (x from 0 to 800, y from 0 to 533)";
        return false;
    }
    for (xmlnode *slide = xmlnode_get_child(node, "slide"); slide;
         slide = xmlnode_get_next_twin(slide)) {
        const char *heading_text = xmlnode_get_attrib(slide, "heading");
        int heading = heading_named(heading_text);
        std::string id = text_of(slide);
        if (heading < 0) {
            *problem = where + " has a slide heading " + quoted(heading_text ? heading_text : "") +
                       ", none of N NE E SE S SW W NW";
            return false;
        }
        if (!point->slides[heading].empty()) {
            *problem = where + " has two slides facing " + heading_names[heading];
            return false;
        }
        if (id.empty()) {
            *problem = where + " has a slide without an id";
            return false;
        }
        if (!ids->insert(id).second) {
            *problem = "slide " + quoted(id) + " is placed twice";
            return false;
        }
        point->slides[heading] = id;
    }
    return true;
}

bool places_from_xml(const char *text, gsize length, TourPlaces *places, std::string *problem)
{
    *places = TourPlaces{};
    xmlnode *root = xmlnode_from_str(text, (gssize)length);
    if (!root) {
        *problem = "not well-formed XML";
        return false;
    }
    bool read = false;
    const char *version = xmlnode_get_attrib(root, "version");
    if (strcmp(root->name, root_name) != 0)
        *problem = std::string("the root element is <") + root->name + ">, not <places>";
    else if (!version || std::to_string(PLACES_VERSION) != version)
        *problem = "version " + quoted(version ? version : "") + " is not " +
                   std::to_string(PLACES_VERSION) + ", the one this tourview reads";
    else
        read = true;
    if (xmlnode *title = xmlnode_get_child(root, "title"))
        places->title = text_of(title);
    std::set<std::string> ids;
    for (xmlnode *node = read ? xmlnode_get_child(root, "point") : NULL; node && read;
         node = xmlnode_get_next_twin(node)) {
        places->points.emplace_back();
        read = read_point(node, &ids, &places->points.back(), problem);
    }
    xmlnode_free(root);
    if (!read)
        *places = TourPlaces{};
    return read;
}
