#pragma once

#include <string>
#include <vector>

// The files the show reads, relative to the data folder.
namespace datafiles {

inline std::string path(const std::string& relative)
{
    return std::string(KAVRI_DATA_DIR) + "/" + relative;
}

inline const std::vector<std::string>& showFiles()
{
    static const std::vector<std::string> files = {
        "stream/zaza.ogg",
        "models/arks3.obj",       "models/arks5.obj",       "models/shape_1a.obj",   "models/town_04.obj",
        "textures/katze.png",     "textures/zuli!.png",     "textures/starticle.png", "textures/veko.png",
        "textures/dada.png",      "textures/eda_back.png",  "textures/rabbit1.png",  "textures/rabbit2.png",
        "textures/stripes4.png",  "textures/katze1.png",    "textures/katze2.png",   "textures/food1.png",
        "textures/food2.png",     "textures/food3.png",     "textures/hearticle.png", "textures/starback.png",
        "textures/blood.png",
    };
    return files;
}

} // namespace datafiles
