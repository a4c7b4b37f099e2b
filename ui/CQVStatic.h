// A text label: draws its text in the control's font, wrapped to its rectangle and aligned
// by its text alignment; it does not react to the mouse. Registered under kind 13.
#pragma once

#include "ui/CQVButton.h"

namespace qv
{

class CQVStatic : public CQVButton
{
public:
    CQVStatic() = default;
    explicit CQVStatic(const QString& strText) { m_strText = strText; }

    // Labels have no hover or pressed state: never changed by the mouse.
    bool Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt) override;
};

} // namespace qv
