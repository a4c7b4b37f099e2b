// The per-item effects that run inside the composition of picture items: the colour
// adjustment and the moving mask. The effects layer implements them; without an
// implementation the composition draws pictures unchanged.
#pragma once

#include <cstdint>

class QImage;

namespace qv
{

struct tagQVMediaData;

class IQVItemEffects
{
public:
    virtual ~IQVItemEffects() = default;

    // Applies the item's colour adjustment to a composed frame: BGRA pixels, bottom row
    // first, stride nWidth × 4. Called only for items that carry a colour-adjustment record.
    virtual void ApplyColorEffects(tagQVMediaData& /*item*/, uint8_t* /*pFrame*/, int /*nWidth*/,
                                   int /*nHeight*/)
    {
    }

    // Draws the item's moving mask for output time dTime onto the item's picture (ARGB32,
    // top row first) before it goes into the frame. Called only for items that carry a mask
    // record; the item's end is not extended by snapshot holds here.
    virtual void DrawMaskOnImage(tagQVMediaData& /*item*/, QImage* /*pImage*/, double /*dTime*/) {}

    // Draws the item's moving mask for output time dTime onto a composed video layer
    // (BGRA, bottom row first, stride nWidth × 4). Called for every main-line and second-
    // line layer of a video item; does nothing for items without a mask record.
    virtual void DrawMaskOnFrame(tagQVMediaData& /*item*/, uint8_t* /*pFrame*/, int /*nWidth*/,
                                 int /*nHeight*/, double /*dTime*/)
    {
    }
};

} // namespace qv
