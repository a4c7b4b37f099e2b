#include "ui/CQVComboBox.h"

#include "ui/CQVComboBoxWnd.h"
#include "ui/CQVControlPainter.h"
#include "ui/CQVDialogBase.h"
#include "ui/CQVEditCtrl.h"
#include "ui/CQVTheme.h"

#include <QPainter>
#include <cstdlib>

namespace qv
{

CQVComboBox::CQVComboBox() = default;

CQVComboBox::~CQVComboBox()
{
    m_pDropDown.reset();
}

CQVButton* CQVComboBox::CreateFromSkin(const QVSkinAttributes& attributes)
{
    auto* pCombo = new CQVComboBox();
    auto flag = [&](const char* szName)
    {
        auto found = attributes.find(szName);
        return found != attributes.end() && std::atoi(found->second.c_str()) != 0;
    };
    pCombo->SetEditable(flag("edited"));
    pCombo->SetDigitsOnly(flag("number"));
    return pCombo;
}

void CQVComboBox::Destroy()
{
    m_pDropDown.reset();
    m_items.clear();
    CQVEdit::Destroy();
}

QRect CQVComboBox::ButtonRect() const
{
    const int nButton = std::min(kButtonWidth, m_nWidth);
    return QRect(m_nX + m_nWidth - nButton, m_nY, nButton, m_nHeight);
}

// --- items

int CQVComboBox::AddItem(const QString& strText)
{
    m_items.push_back(tagQVComboItem{strText, 0});
    return GetCount() - 1;
}

void CQVComboBox::SetItemValue(int nIndex, int nValue)
{
    if (nIndex >= 0 && nIndex < GetCount())
        m_items[static_cast<size_t>(nIndex)].nValue = nValue;
}

int CQVComboBox::GetItemValue(int nIndex) const
{
    return (nIndex >= 0 && nIndex < GetCount()) ? m_items[static_cast<size_t>(nIndex)].nValue : 0;
}

QString CQVComboBox::GetItemText(int nIndex) const
{
    return (nIndex >= 0 && nIndex < GetCount()) ? m_items[static_cast<size_t>(nIndex)].strText
                                                : QString();
}

void CQVComboBox::Select(int nIndex, bool bRedraw)
{
    SetText(GetItemText(nIndex), bRedraw);
}

int CQVComboBox::GetSelection() const
{
    const QString strText = GetText();
    for (int i = GetCount() - 1; i >= 0; --i)
        if (m_items[static_cast<size_t>(i)].strText == strText)
            return i;
    return -1;
}

void CQVComboBox::Clear()
{
    CloseDropDown();
    m_items.clear();
    SetText(QString(), m_bVisible);
}

// --- drop-down

bool CQVComboBox::IsDropDownOpen() const
{
    return m_pDropDown && m_pDropDown->IsOpen();
}

void CQVComboBox::OpenDropDown()
{
    if (!m_pOwner || !m_pOwner->IsWindow() || !m_bEnabled || !m_bVisible)
        return;
    if (!m_pDropDown)
    {
        m_pDropDown = std::make_unique<CQVComboBoxWnd>();
        m_pDropDown->onChoose = [this](int nIndex) { Choose(nIndex); };
        m_pDropDown->onClosed = [this]
        {
            if (m_bVisible)
                Draw();
        };
    }
    QStringList texts;
    for (const tagQVComboItem& item : m_items)
        texts << item.strText;
    const QRect anchor(m_pOwner->ClientToScreen(QPoint(m_nX, m_nY)), QSize(m_nWidth, m_nHeight));
    m_pDropDown->Open(m_pOwner, anchor, texts, GetSelection(), EditFont(), m_nDropHeight);
    if (m_bVisible)
        Draw();
}

void CQVComboBox::CloseDropDown()
{
    if (m_pDropDown)
        m_pDropDown->Close();
}

void CQVComboBox::Choose(int nIndex)
{
    if (nIndex < 0 || nIndex >= GetCount())
        return;
    Select(nIndex, true);
    if (m_pOwner)
        m_pOwner->PostMessage(kMsgComboChoice, reinterpret_cast<uintptr_t>(this), nIndex);
}

// --- input

bool CQVComboBox::Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt)
{
    if (!m_bEnabled || !m_bVisible)
        return false;
    const bool bInside = HitTest(pt);
    const bool bOnButton = bInside && ButtonRect().contains(pt);
    switch (nCode)
    {
    case kMsgMouseMove:
    case kMsgMouseLeave:
    {
        const bool bChanged = bInside != m_bHover || bOnButton != m_bButtonHover;
        m_bHover = bInside;
        m_bButtonHover = bOnButton;
        return bChanged;
    }
    case kMsgLButtonDown:
    case kMsgLButtonDblClk:
        if (!bInside)
            return false;
        if (m_bEditable && !bOnButton)
            return CQVEdit::Mouse(pOwner, nCode, pt);
        TakeFocus();
        if (IsDropDownOpen())
            CloseDropDown();
        else
            OpenDropDown();
        return true;
    case kMsgRButtonDown:
        if (m_bEditable && bInside && !bOnButton)
            return CQVEdit::Mouse(pOwner, nCode, pt);
        return false;
    default:
        return false;
    }
}

bool CQVComboBox::Key(const tagQVInputMessage& msg)
{
    if (msg.nMessage != kMsgKeyDown || !m_bFocused || !m_bEnabled || !m_bVisible)
        return false;
    if (msg.nVirtualKey == kVkDown || msg.nVirtualKey == kVkF1 + 3)
    {
        OpenDropDown();
        return true;
    }
    return false;
}

void CQVComboBox::Enable(bool bEnable, bool bRedraw)
{
    if (!bEnable)
        CloseDropDown();
    CQVEdit::Enable(bEnable, bRedraw);
}

void CQVComboBox::Show(bool bShow, bool bRedraw)
{
    if (!bShow)
        CloseDropDown();
    CQVEdit::Show(bShow, bRedraw);
}

void CQVComboBox::OnFocusLost()
{
    CloseDropDown();
    CQVEdit::OnFocusLost();
}

// --- drawing

void CQVComboBox::DrawText(QPainter* pGraphics, const QRect& rc)
{
    if (rc.width() <= 0 || rc.height() <= 0)
        return;
    const tagQVThemeColors& colors = CQVTheme::Colors();
    const bool bOpen = IsDropDownOpen();
    const bool bFocused = m_bFocused || (m_pEdit && m_pEdit->HasFocus());
    DrawBox(pGraphics, rc, bFocused || bOpen);

    pGraphics->save();
    pGraphics->setRenderHint(QPainter::Antialiasing);
    pGraphics->setRenderHint(QPainter::TextAntialiasing);
    const QRect button = ButtonRect();
    if (m_bEnabled && (m_bButtonHover || bOpen || (!m_bEditable && m_bHover)))
        pGraphics->fillRect(button.adjusted(0, 1, -1, -1),
                            CQVTheme::ToQColor(colors.clrDlgEdge, 40));
    pGraphics->setPen(QPen(CQVTheme::ToQColor(colors.clrDlgEdge, m_bEnabled ? 90 : 45), 1.0));
    pGraphics->drawLine(QPointF(button.left() + 0.5, button.top() + 4),
                        QPointF(button.left() + 0.5, button.bottom() - 3));
    const QColor arrow = !m_bEnabled                 ? CQVTheme::ToQColor(colors.clrDlgEdge, 90)
                         : (m_bButtonHover || bOpen) ? CQVControlPainter::Accent()
                                                     : CQVTheme::ToQColor(colors.clrText);
    CQVControlPainter::DrawArrow(pGraphics, QRectF(button).adjusted(3, 2, -2, -2),
                                 CQVControlPainter::kDown, arrow);

    if (!(m_pEdit && m_pEdit->IsWindow()) && !m_strText.isEmpty())
    {
        pGraphics->setFont(EditFont());
        pGraphics->setPen(CQVControlPainter::TextColour(m_bEnabled, m_bHover && !m_bEditable));
        const QRect text(rc.x() + 6, rc.y(), rc.width() - kButtonWidth - 8, rc.height());
        const QFontMetrics metrics(EditFont());
        pGraphics->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                            metrics.elidedText(m_strText, Qt::ElideRight, text.width()));
    }
    pGraphics->restore();
}

} // namespace qv
