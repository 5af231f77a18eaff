#ifndef VEKO_SCENE_TABLE_H
#define VEKO_SCENE_TABLE_H

#include <string>

namespace veko {

// The nine scenes by id and class name, with the slot the timetable gives each one.
struct SceneInfo {
    int id;
    const char* name;
    int showOrder;    // 1 to 6 in the order shown; 0 for a scene the timetable never selects
    float start;      // show clock at which its slot begins (seconds); 0 when never shown
    float end;        // show clock at which its slot ends; 0 when never shown
};

class SceneTable {
public:
    static const int kCount = 9;

    // Shown scenes in show order first, then the three never shown, by id.
    static const SceneInfo& at(int index);
    // By id ("1300"), class name ("EfxTown") or class name without the prefix ("town"),
    // in any case. Null when nothing matches.
    static const SceneInfo* find(const std::string& nameOrId);
    static const SceneInfo* byId(int id);

    // How long a scene runs when captured on its own: its slot, or one slot for the others.
    static float defaultLength(const SceneInfo& scene);
};

} // namespace veko

#endif
