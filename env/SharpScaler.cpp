#include "env/SharpScaler.h"

using namespace irr;

namespace veko {

namespace {

// Corners come in clip coordinates already; the texture coordinates pass through.
const char* kVertexShader =
    "varying vec2 uv;\n"
    "void main()\n"
    "{\n"
    "    gl_Position = gl_Vertex;\n"
    "    uv = gl_MultiTexCoord0.xy;\n"
    "}\n";

// size: the texture in texels; scale: screen pixels per texel. Within a texel the sample
// point stays on its centre (one flat colour) except in the outer 0.5 / scale of it, i.e. the
// last half screen pixel on either side of a border, where it slides over to the
// neighbour's centre and the texture's linear filter blends the two.
const char* kFragmentShader =
    "uniform sampler2D picture;\n"
    "uniform vec2 size;\n"
    "uniform vec2 scale;\n"
    "varying vec2 uv;\n"
    "void main()\n"
    "{\n"
    "    vec2 texel = uv * size;\n"
    "    vec2 offset = fract(texel) - 0.5;\n"
    "    vec2 inner = 0.5 - 0.5 / scale;\n"
    "    vec2 slide = (offset - clamp(offset, -inner, inner)) * scale;\n"
    "    gl_FragColor = texture2D(picture, (floor(texel) + 0.5 + slide) / size);\n"
    "}\n";

} // namespace

class SharpScaler::Constants : public video::IShaderConstantSetCallBack {
public:
    f32 size[2] = { 1, 1 };
    f32 scale[2] = { 1, 1 };

    void OnSetConstants(video::IMaterialRendererServices* services, s32) override
    {
        const s32 unit = 0;
        services->setPixelShaderConstant("picture", &unit, 1);
        services->setPixelShaderConstant("size", size, 2);
        services->setPixelShaderConstant("scale", scale, 2);
    }
};

SharpScaler::SharpScaler(video::IVideoDriver* driver) : mDriver(driver), mConstants(new Constants()), mMaterialType(-1)
{
    video::IGPUProgrammingServices* gpu = driver->getGPUProgrammingServices();
    if (gpu && driver->queryFeature(video::EVDF_ARB_GLSL))
        mMaterialType = gpu->addHighLevelShaderMaterial(kVertexShader, "main", video::EVST_VS_1_1, kFragmentShader,
                                                        "main", video::EPST_PS_1_1, mConstants, video::EMT_SOLID);
}

SharpScaler::~SharpScaler()
{
    mConstants->drop();
}

void SharpScaler::draw(video::ITexture* texture, const core::rect<s32>& dest, const core::dimension2du& targetSize)
{
    if (!available() || !texture || targetSize.Width == 0 || targetSize.Height == 0)
        return;
    const core::dimension2du size = texture->getSize();
    mConstants->size[0] = f32(size.Width);
    mConstants->size[1] = f32(size.Height);
    mConstants->scale[0] = f32(dest.getWidth()) / f32(size.Width);
    mConstants->scale[1] = f32(dest.getHeight()) / f32(size.Height);

    video::SMaterial material;
    material.MaterialType = static_cast<video::E_MATERIAL_TYPE>(mMaterialType);
    material.setTexture(0, texture);
    material.TextureLayer[0].BilinearFilter = true;
    material.TextureLayer[0].TextureWrapU = video::ETC_CLAMP_TO_EDGE;
    material.TextureLayer[0].TextureWrapV = video::ETC_CLAMP_TO_EDGE;
    material.Lighting = false;
    material.BackfaceCulling = false;
    material.ZBuffer = video::ECFN_ALWAYS;
    material.ZWriteEnable = false;
    mDriver->setMaterial(material);

    // dest in clip coordinates: x from -1 (left) to 1, y from 1 (top) to -1.
    const f32 left = 2.0f * dest.UpperLeftCorner.X / targetSize.Width - 1.0f;
    const f32 right = 2.0f * dest.LowerRightCorner.X / targetSize.Width - 1.0f;
    const f32 top = 1.0f - 2.0f * dest.UpperLeftCorner.Y / targetSize.Height;
    const f32 bottom = 1.0f - 2.0f * dest.LowerRightCorner.Y / targetSize.Height;
    const video::SColor white(255, 255, 255, 255);
    const video::S3DVertex corners[4] = {
        video::S3DVertex(left, top, 0, 0, 0, 1, white, 0, 0),
        video::S3DVertex(right, top, 0, 0, 0, 1, white, 1, 0),
        video::S3DVertex(left, bottom, 0, 0, 0, 1, white, 0, 1),
        video::S3DVertex(right, bottom, 0, 0, 0, 1, white, 1, 1),
    };
    const u16 indices[6] = { 0, 1, 2, 1, 3, 2 };
    mDriver->drawIndexedTriangleList(corners, 4, indices, 2);
}

} // namespace veko
