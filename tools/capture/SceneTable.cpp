#include "tools/capture/SceneTable.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "framework/Sequencer.h"

namespace veko {

namespace {

// Id order; the slots are read from the Sequencer's own timetable.
SceneInfo sScenes[SceneTable::kCount] = {
    { 1000, "EfxTest", 0, 0, 0 },   { 1100, "EfxZigZag", 0, 0, 0 }, { 1200, "EfxShape1", 0, 0, 0 },
    { 1300, "EfxTown", 0, 0, 0 },   { 1500, "EfxShape2", 0, 0, 0 }, { 1600, "EfxShape3", 0, 0, 0 },
    { 1900, "EfxShape4", 0, 0, 0 }, { 2200, "EfxShape5", 0, 0, 0 }, { 2500, "EfxShape6", 0, 0, 0 },
};
const SceneInfo* sOrdered[SceneTable::kCount];
bool sReady = false;

SceneInfo* sceneWithId(int id)
{
    for (SceneInfo& scene : sScenes)
        if (scene.id == id)
            return &scene;
    return nullptr;
}

// Walks the show clock in milliseconds and notes where each scene's slot starts and ends.
void readTimetable()
{
    int order = 0;
    int previousId = -1;
    float previousT = 0.0f;
    const int lastMs = static_cast<int>(Sequencer::showLength() * 1000.0f) + 1;
    for (int ms = 0; ms <= lastMs; ++ms) {
        const float t = static_cast<float>(ms) / 1000.0f;
        const int id = Sequencer::effectIdAt(t);
        if (id != previousId) {
            if (SceneInfo* ended = sceneWithId(previousId))
                ended->end = previousT;
            if (SceneInfo* started = sceneWithId(id)) {
                started->showOrder = ++order;
                started->start = ms == 0 ? 0.0f : previousT;
            }
            previousId = id;
        }
        previousT = t;
    }
}

void prepare()
{
    if (sReady)
        return;
    readTimetable();
    int n = 0;
    for (int order = 1; order <= SceneTable::kCount; ++order)
        for (const SceneInfo& scene : sScenes)
            if (scene.showOrder == order)
                sOrdered[n++] = &scene;
    for (const SceneInfo& scene : sScenes)
        if (scene.showOrder == 0)
            sOrdered[n++] = &scene;
    sReady = true;
}

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

const SceneInfo& SceneTable::at(int index)
{
    prepare();
    return *sOrdered[index];
}

const SceneInfo* SceneTable::byId(int id)
{
    prepare();
    return sceneWithId(id);
}

const SceneInfo* SceneTable::find(const std::string& nameOrId)
{
    prepare();
    if (nameOrId.empty())
        return nullptr;
    if (std::all_of(nameOrId.begin(), nameOrId.end(), [](unsigned char c) { return std::isdigit(c); }))
        return nameOrId.size() <= 6 ? byId(std::atoi(nameOrId.c_str())) : nullptr;
    const std::string wanted = lower(nameOrId);
    for (const SceneInfo& scene : sScenes) {
        const std::string name = lower(scene.name);
        if (wanted == name || wanted == name.substr(3))
            return &scene;
    }
    return nullptr;
}

float SceneTable::defaultLength(const SceneInfo& scene)
{
    prepare();
    if (scene.showOrder != 0)
        return scene.end - scene.start;
    return at(0).end - at(0).start;
}

} // namespace veko
