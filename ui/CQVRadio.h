// The radio button: a check box that only turns on. Clicking one that is already checked
// does nothing; otherwise it becomes checked, redraws and posts kMsgCommand with its id.
// Turning the other radios of a group off is the owner dialog's work. Registered under kind 2.
#pragma once

#include "ui/CQVCheck.h"

namespace qv
{

class CQVRadio : public CQVCheck
{
public:
    CQVRadio() = default;
    explicit CQVRadio(const QString& strText) : CQVCheck(strText) {}

    static CQVButton* CreateFromSkin(const QVSkinAttributes& attributes);

    void Clicked(QPoint pt) override;
    void DrawText(QPainter* pGraphics, const QRect& rc) override;
};

} // namespace qv
