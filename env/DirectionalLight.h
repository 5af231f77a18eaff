#ifndef VEKO_DIRECTIONAL_LIGHT_H
#define VEKO_DIRECTIONAL_LIGHT_H

#include <irrlicht.h>

namespace veko {

// The lights of the 3D scenes: directional, travelling along `direction`, with no ambient
// or specular part. Under OpenGL a light is fixed with the view that is set when it is added,
// so a scene sets its camera first to have the direction hold in world space.
inline irr::video::SLight directionalLight(const irr::core::vector3df& direction,
                                           const irr::video::SColorf& diffuse = irr::video::SColorf(1, 1, 1, 1))
{
    irr::video::SLight light;
    light.AmbientColor = irr::video::SColorf(0, 0, 0, 1);
    light.DiffuseColor = diffuse;
    light.SpecularColor = irr::video::SColorf(0, 0, 0, 1);
    light.Direction = direction;
    light.Radius = 1000;
    light.Type = irr::video::ELT_DIRECTIONAL;
    return light;
}

} // namespace veko

#endif
