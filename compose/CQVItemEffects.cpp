#include "compose/CQVItemEffects.h"

#include "compose/ColorAdjustment.h"
#include "compose/MovingMask.h"

#include <utility>

namespace qv
{

CQVItemEffects::CQVItemEffects() : m_maskFolder(DefaultMaskFolder()) {}

CQVItemEffects::CQVItemEffects(std::string maskFolder) : m_maskFolder(std::move(maskFolder)) {}

void CQVItemEffects::ApplyColorEffects(tagQVMediaData& item, uint8_t* pFrame, int nWidth,
                                       int nHeight)
{
    if (item.pColorAdjustment)
        ApplyColorAdjustment(*item.pColorAdjustment, pFrame, nWidth, nHeight);
}

void CQVItemEffects::DrawMaskOnImage(tagQVMediaData& item, QImage* pImage, double dTime)
{
    DrawMovingMaskOnImage(item, pImage, dTime, m_maskFolder);
}

void CQVItemEffects::DrawMaskOnFrame(tagQVMediaData& item, uint8_t* pFrame, int nWidth, int nHeight,
                                     double dTime)
{
    const tagQVDibHeader header{nWidth, nHeight, 32};
    DrawMovingMask(header, item, pFrame, dTime, m_maskFolder);
}

} // namespace qv
