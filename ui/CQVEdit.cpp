#include "ui/CQVEdit.h"

#include "ui/CQVControlPainter.h"
#include "ui/CQVEditCtrl.h"
#include "ui/CQVSkinFonts.h"
#include "ui/CQVTheme.h"
#include "ui/CQVUIManager.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QWidget>
#include <cstdlib>

namespace qv
{

CQVEdit::CQVEdit() = default;

CQVEdit::~CQVEdit()
{
    m_pEdit.reset();
}

CQVButton* CQVEdit::CreateFromSkin(const QVSkinAttributes& attributes)
{
    auto* pEdit = new CQVEdit();
    auto found = attributes.find("number");
    pEdit->SetDigitsOnly(found != attributes.end() && std::atoi(found->second.c_str()) != 0);
    return pEdit;
}

void CQVEdit::Destroy()
{
    m_pEdit.reset();
    CQVButton::Destroy();
}

const QFont& CQVEdit::EditFont()
{
    if (!m_bFontMade)
    {
        m_bFontMade = true;
        if (const tagQVFontRecord* pRecord = CQVSkinFonts::Find(m_nFontId))
            m_font = CQVSkinFonts::MakeFont(*pRecord);
        else
        {
            m_font = QFont(QStringLiteral("Arial"));
            m_font.setPixelSize(13);
        }
    }
    return m_font;
}

int CQVEdit::LineHeight() const
{
    const tagQVFontRecord* pRecord = CQVSkinFonts::Find(m_nFontId);
    return pRecord ? pRecord->nSize + 1 : 16;
}

QRect CQVEdit::EditWindowRect() const
{
    const int nWidth = std::max(m_nWidth - EditRightInset() - 2, 0);
    if (m_bMultiLine)
        return QRect(m_nX + 1, m_nY + 1, nWidth, std::max(m_nHeight - 2, 0));
    const int nLine = LineHeight();
    return QRect(m_nX + 1, m_nY + (m_nHeight - nLine) / 2, nWidth, nLine);
}

void CQVEdit::CreateHostedWindow()
{
    if (!WantsEditWindow() || !m_pOwner || !m_pOwner->GetWidget())
        return;
    if (m_pEdit && m_pEdit->IsWindow())
        return;
    m_pEdit = std::make_unique<CQVEditCtrl>();
    if (!m_pEdit->Create(m_pOwner, m_nId, m_bMultiLine, m_bDigitsOnly, EditFont()))
    {
        m_pEdit.reset();
        return;
    }
    // The stored text moves into the window without telling the owner of a change.
    m_pEdit->SetNotify(false);
    m_pEdit->SetText(m_strText);
    m_pEdit->SetNotify(true);
    m_pEdit->MoveWindow(EditWindowRect());
    m_pEdit->ShowWindow(m_bVisible);
    m_pEdit->EnableWindow(m_bEnabled);
    m_pEdit->onKey = [this](QKeyEvent* pEvent) { return PassKeyToOwner(pEvent); };
    m_pEdit->onFocusIn = [this]
    {
        // A click straight into the edit window moves the toolkit focus here as well.
        if (!m_bFocused)
            TakeFocus();
        else if (m_bVisible)
            Draw();
    };
    m_pEdit->onFocusOut = [this](int)
    {
        if (m_bVisible)
            Draw();
    };
}

bool CQVEdit::PassKeyToOwner(QKeyEvent* pEvent)
{
    const int nKey = pEvent->key();
    const bool bDialogKey = nKey == Qt::Key_Tab || nKey == Qt::Key_Backtab ||
                            nKey == Qt::Key_Escape ||
                            (!m_bMultiLine && (nKey == Qt::Key_Return || nKey == Qt::Key_Enter));
    if (!bDialogKey || !m_pOwner || !m_pOwner->GetWidget())
        return false;
    QKeyEvent copy(QEvent::KeyPress, nKey, pEvent->modifiers(), pEvent->text(),
                   pEvent->isAutoRepeat());
    QCoreApplication::sendEvent(m_pOwner->GetWidget(), &copy);
    return true;
}

bool CQVEdit::Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt)
{
    (void)pOwner;
    if (!m_bEnabled || !m_bVisible || !HitTest(pt))
        return false;
    if (nCode == kMsgLButtonDown || nCode == kMsgLButtonDblClk)
    {
        TakeFocus();
        if (m_pEdit)
            m_pEdit->ForwardClick(pt);
        return true;
    }
    if (nCode == kMsgRButtonDown)
    {
        TakeFocus();
        if (m_pEdit)
            m_pEdit->ForwardRightClick(pt);
        return true;
    }
    return false;
}

bool CQVEdit::Key(const tagQVInputMessage& msg)
{
    (void)msg;
    return false;
}

void CQVEdit::SetText(const QString& strText, bool bRedraw)
{
    m_strText = strText;
    if (m_pEdit && m_pEdit->IsWindow() && m_pEdit->GetText() != strText)
        m_pEdit->SetText(strText);
    if (bRedraw && m_bVisible)
        Draw();
}

void CQVEdit::GetText(QString& strText) const
{
    strText = (m_pEdit && m_pEdit->IsWindow()) ? m_pEdit->GetText() : m_strText;
}

QString CQVEdit::GetText() const
{
    QString strText;
    GetText(strText);
    return strText;
}

void CQVEdit::SetDigitsOnly(bool bDigitsOnly)
{
    m_bDigitsOnly = bDigitsOnly;
    if (m_pEdit)
        m_pEdit->SetDigitsOnly(bDigitsOnly);
}

void CQVEdit::Enable(bool bEnable, bool bRedraw)
{
    if (m_pEdit)
        m_pEdit->EnableWindow(bEnable);
    CQVButton::Enable(bEnable, bRedraw);
}

void CQVEdit::Show(bool bShow, bool bRedraw)
{
    if (m_pEdit)
        m_pEdit->ShowWindow(bShow);
    CQVButton::Show(bShow, bRedraw);
}

void CQVEdit::Move(int x, int y, int nWidth, int nHeight, bool bRedraw)
{
    CQVButton::Move(x, y, nWidth, nHeight, bRedraw);
    if (m_pEdit)
        m_pEdit->MoveWindow(EditWindowRect());
}

bool CQVEdit::OnFocusGained()
{
    CQVButton::OnFocusGained();
    if (m_pEdit && !m_pEdit->HasFocus())
        m_pEdit->SetFocus();
    return true;
}

void CQVEdit::OnFocusLost()
{
    CQVButton::OnFocusLost();
    // Keys go back to the window's routing, for the control that has the focus now.
    if (m_pEdit && m_pEdit->HasFocus() && m_pOwner && m_pOwner->GetWidget())
        m_pOwner->GetWidget()->setFocus(Qt::OtherFocusReason);
}

void CQVEdit::DrawBox(QPainter* pGraphics, const QRect& rc, bool bHighlight)
{
    const tagQVThemeColors& colors = CQVTheme::Colors();
    pGraphics->save();
    pGraphics->setRenderHint(QPainter::Antialiasing);
    const QColor border = bHighlight && m_bEnabled
                              ? CQVControlPainter::Accent(220)
                              : CQVTheme::ToQColor(colors.clrDlgEdge, m_bEnabled ? 150 : 80);
    pGraphics->setPen(QPen(border, 1.0));
    pGraphics->setBrush(CQVTheme::ToQColor(CQVTheme::Shift(colors.clrDlgBK, -14)));
    pGraphics->drawRoundedRect(QRectF(rc).adjusted(0.5, 0.5, -0.5, -0.5), 2.5, 2.5);
    pGraphics->restore();
}

void CQVEdit::DrawText(QPainter* pGraphics, const QRect& rc)
{
    if (rc.width() <= 0 || rc.height() <= 0)
        return;
    const bool bFocused = m_bFocused || (m_pEdit && m_pEdit->HasFocus());
    DrawBox(pGraphics, rc, bFocused);
    // Without an edit window the control shows its stored text itself.
    if (m_pEdit && m_pEdit->IsWindow())
        return;
    if (m_strText.isEmpty())
        return;
    pGraphics->save();
    pGraphics->setRenderHint(QPainter::TextAntialiasing);
    pGraphics->setFont(EditFont());
    pGraphics->setPen(CQVControlPainter::TextColour(m_bEnabled));
    const QRect text = EditWindowRect().adjusted(2, 0, 0, 0);
    pGraphics->drawText(QRect(text.x(), rc.y(), text.width(), rc.height()),
                        Qt::AlignLeft | Qt::AlignVCenter, m_strText);
    pGraphics->restore();
}

} // namespace qv
