// The page's edits, from JSON objects to what plan_edit() takes: each
// operation's members by name and type.
#include "touredit.h"

#include <string.h>

namespace
{

// One member an operation reads, where it goes, and whether it may be null
// (an empty string then) or missing (false, or 0).
enum Kind { STRING, STRING_OR_NULL, NUMBER, NUMBER_OR_NULL, INTEGER, BOOLEAN, HEADING, FRAMING };

struct Member {
    const char *name;
    Kind kind;
};

struct Operation {
    const char *op;
    PlanEditOp edit;
    Member members[4];
};

} // namespace

static const Operation operations[] = {
    {"title", PlanEditOp::TITLE, {{"value", STRING}}},
    {"framing", PlanEditOp::FRAMING, {{"value", FRAMING}}},
    {"start", PlanEditOp::START, {{"point", STRING_OR_NULL}, {"heading", HEADING}}},
    {"add_point",
     PlanEditOp::ADD_POINT,
     {{"name", STRING}, {"floor", INTEGER}, {"x", NUMBER}, {"y", NUMBER}}},
    {"move_point", PlanEditOp::MOVE_POINT, {{"name", STRING}, {"x", NUMBER}, {"y", NUMBER}}},
    {"floor_point", PlanEditOp::FLOOR_POINT, {{"name", STRING}, {"floor", INTEGER}}},
    {"rename_point", PlanEditOp::RENAME_POINT, {{"name", STRING}, {"to", STRING}}},
    {"delete_point", PlanEditOp::DELETE_POINT, {{"name", STRING}}},
    {"photo",
     PlanEditOp::PHOTO,
     {{"point", STRING}, {"heading", HEADING}, {"file", STRING_OR_NULL}}},
    {"pano",
     PlanEditOp::PANO,
     {{"point", STRING}, {"file", STRING_OR_NULL}, {"north", NUMBER_OR_NULL}}},
    {"walk",
     PlanEditOp::WALK,
     {{"point", STRING}, {"heading", HEADING}, {"to", STRING_OR_NULL}, {"oneway", BOOLEAN}}},
    {"map", PlanEditOp::MAP, {{"floor", INTEGER}, {"file", STRING_OR_NULL}}},
};

static std::string *string_field(PlanEdit *edit, const char *name)
{
    if (strcmp(name, "name") == 0 || strcmp(name, "point") == 0)
        return &edit->point;
    if (strcmp(name, "to") == 0)
        return &edit->to;
    if (strcmp(name, "file") == 0)
        return &edit->file;
    return &edit->value;
}

static bool refuse(PlanEditRefusal *refusal, const std::string &message, const char *field)
{
    refusal->message = message;
    refusal->field = field;
    return false;
}

static bool read_member(JsonObject *object, const Member &m, PlanEdit *edit,
                        PlanEditRefusal *refusal)
{
    JsonNode *node = json_object_get_member(object, m.name);
    bool null = !node || JSON_NODE_HOLDS_NULL(node);
    GType type = node && JSON_NODE_HOLDS_VALUE(node) ? json_node_get_value_type(node) : 0;
    std::string name = m.name;
    switch (m.kind) {
    case STRING:
    case STRING_OR_NULL:
        if (null && m.kind == STRING_OR_NULL)
            return true;
        if (type != G_TYPE_STRING)
            return refuse(refusal, name + " must be a string", m.name);
        *string_field(edit, m.name) = json_node_get_string(node);
        return true;
    case NUMBER:
        if (type != G_TYPE_INT64 && type != G_TYPE_DOUBLE)
            return refuse(refusal, name + " must be a number", m.name);
        (name == "x" ? edit->x : edit->y) = json_node_get_double(node);
        return true;
    case NUMBER_OR_NULL: // a pano's north
        if (null)
            return true;
        if (type != G_TYPE_INT64 && type != G_TYPE_DOUBLE)
            return refuse(refusal, name + " must be a number or null", m.name);
        edit->has_north = true;
        edit->north = json_node_get_double(node);
        return true;
    case INTEGER:
        if (type != G_TYPE_INT64)
            return refuse(refusal, name + " must be a whole number", m.name);
        edit->floor = static_cast<int>(CLAMP(json_node_get_int(node), -100000, 100000));
        return true;
    case BOOLEAN:
        if (null)
            return true;
        if (type != G_TYPE_BOOLEAN)
            return refuse(refusal, name + " must be true or false", m.name);
        edit->oneway = json_node_get_boolean(node);
        return true;
    case HEADING:
        edit->heading = type == G_TYPE_STRING ? heading_named(json_node_get_string(node)) : -1;
        // A start without a point needs no heading.
        if (edit->heading < 0 && !(edit->op == PlanEditOp::START && edit->point.empty()))
            return refuse(refusal, "bad heading: one of N NE E SE S SW W NW", m.name);
        return true;
    case FRAMING:
        if (type != G_TYPE_STRING || (strcmp(json_node_get_string(node), "crop") != 0 &&
                                      strcmp(json_node_get_string(node), "fit") != 0))
            return refuse(refusal, "framing is \"crop\" or \"fit\"", m.name);
        edit->fit = strcmp(json_node_get_string(node), "fit") == 0;
        return true;
    }
    return false;
}

bool edits_from_json(JsonArray *array, std::vector<PlanEdit> *edits, PlanEditRefusal *refusal)
{
    for (guint i = 0; i < json_array_get_length(array); i++) {
        JsonNode *node = json_array_get_element(array, i);
        JsonObject *object = JSON_NODE_HOLDS_OBJECT(node) ? json_node_get_object(node) : nullptr;
        const char *op = object && json_object_has_member(object, "op")
                             ? json_object_get_string_member_with_default(object, "op", "")
                             : "";
        const Operation *operation = nullptr;
        for (const Operation &candidate : operations)
            if (strcmp(op, candidate.op) == 0)
                operation = &candidate;
        if (!operation)
            return refuse(refusal, std::string("unknown edit \"") + op + "\"", "op");
        PlanEdit edit{};
        edit.op = operation->edit;
        for (const Member &m : operation->members)
            if (m.name && !read_member(object, m, &edit, refusal))
                return false;
        edits->push_back(edit);
    }
    return true;
}
