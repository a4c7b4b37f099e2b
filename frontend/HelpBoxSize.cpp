#include "frontend/HelpBoxSize.h"

#include "ui/CQVSkinFonts.h"

#include <QFontMetrics>

namespace qv
{

int HelpTextHeight(int nFontId, int nWidth, const QStringList& texts)
{
    const tagQVFontRecord* pRecord = CQVSkinFonts::Find(nFontId);
    const QFontMetrics metrics(CQVSkinFonts::MakeFont(pRecord ? *pRecord : tagQVFontRecord()));
    int nHeight = 0;
    for (const QString& text : texts)
        nHeight = std::max(nHeight, metrics
                                        .boundingRect(QRect(0, 0, nWidth, 100000),
                                                      Qt::AlignLeft | Qt::TextWordWrap, text)
                                        .height());
    return nHeight;
}

} // namespace qv
