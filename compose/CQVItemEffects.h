// The effects layer of the composition: an item's colour adjustment and moving mask on
// composed frames and on picture items' images. One per video mixer callback; called on
// the streaming thread only.
#pragma once

#include "compose/IQVItemEffects.h"

#include <string>

namespace qv
{

class CQVItemEffects : public IQVItemEffects
{
public:
    // Mask pictures are read from maskFolder (with a trailing "/"); by default the program
    // folder's "skin/mask/".
    CQVItemEffects();
    explicit CQVItemEffects(std::string maskFolder);

    const std::string& MaskFolder() const { return m_maskFolder; }

    // ApplyColorAdjustment with the item's set; nothing for an item without one.
    void ApplyColorEffects(tagQVMediaData& item, uint8_t* pFrame, int nWidth, int nHeight) override;

    // DrawMovingMaskOnImage.
    void DrawMaskOnImage(tagQVMediaData& item, QImage* pImage, double dTime) override;

    // DrawMovingMask on a bottom-up W × H frame.
    void DrawMaskOnFrame(tagQVMediaData& item, uint8_t* pFrame, int nWidth, int nHeight,
                         double dTime) override;

private:
    std::string m_maskFolder;
};

} // namespace qv
