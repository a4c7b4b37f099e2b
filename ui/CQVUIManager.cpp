#include "ui/CQVUIManager.h"

#include "platform/ProgramFolder.h"
#include "ui/CQVButton.h"
#include "ui/CQVSkinFonts.h"
#include "ui/CQVSkinLoader.h"
#include "ui/CQVTheme.h"

#include <QPainter>

namespace qv
{

namespace
{

int g_nLiveManagers = 0;

// The font a control gets when it is registered under a kind; -1 leaves it unchanged.
int FontIdForKind(int nKind)
{
    switch (nKind)
    {
    case kKindButton:
    case kKindMenuButton:
    case kKindKeepFont:
        return -1;
    case kKindCheck:
    case kKindRadio:
    case kKindStatic:
    case kKindFont6:
        return 6;
    case kKindEdit:
    case kKindLinkButton:
    case kKindListCtrl:
    case kKindWindow:
        return 3;
    default:
        return 1;
    }
}

} // namespace

CQVUIManager::CQVUIManager()
{
    ++g_nLiveManagers;
    ProgramFolder(); // computed once, before anything changes the working state
}

CQVUIManager::~CQVUIManager()
{
    Destroy();
    if (--g_nLiveManagers == 0)
        CQVSkinFonts::Clear();
}

int CQVUIManager::LiveCount()
{
    return g_nLiveManagers;
}

bool CQVUIManager::LoadSkin(CQVPlatformWindow* pWindow, const std::string& relativePath)
{
    return LoadSkinFrom(pWindow, DataFolder(), relativePath);
}

bool CQVUIManager::LoadSkinFrom(CQVPlatformWindow* pWindow, const std::string& baseFolder,
                                const std::string& relativePath)
{
    if (!pWindow || !pWindow->IsWindow())
        return false;
    m_pOwner = pWindow;
    return CQVSkinLoader::Load(*this, baseFolder, relativePath);
}

void CQVUIManager::SetBackgroundImage(const QImage& image)
{
    if (image.isNull())
        m_pBackground.reset();
    else
        m_pBackground =
            std::make_unique<QImage>(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

bool CQVUIManager::TakeOwnership(int nId, CQVButton* pControl, int nKind)
{
    if (!pControl)
        return false;
    // A control is owned once: registering it again would free it twice.
    for (const tagQVEntry& entry : m_entries)
        if (entry.pControl.get() == pControl)
            return false;
    m_entries.push_back(tagQVEntry{nId, std::unique_ptr<CQVButton>(pControl), nKind});
    return true;
}

void CQVUIManager::AppendEntry(int nId, CQVButton* pControl, int nKind)
{
    if (!TakeOwnership(nId, pControl, nKind))
        return;
    pControl->Attach(this, m_pOwner, nId, nKind);
    // Edit boxes and editable combo boxes from the skin need their edit windows as well.
    pControl->CreateHostedWindow();
}

void CQVUIManager::Add(int nId, CQVButton* pControl, int nKind)
{
    if (!TakeOwnership(nId, pControl, nKind))
        return;
    if (nKind == kKindUnmanaged)
        return;
    pControl->Attach(this, m_pOwner, nId, nKind);
    const int nFontId = FontIdForKind(nKind);
    if (nFontId >= 0)
        pControl->SetFontId(nFontId);
    if (nKind == kKindDefault)
        m_pDefault = pControl;
    if (nKind == kKindEdit || nKind == kKindComboBox)
        pControl->CreateHostedWindow();
    if (nKind == kKindWindow)
    {
        pControl->RecalcLayout();
        pControl->Draw();
    }
}

CQVButton* CQVUIManager::Find(int nId, int nKind) const
{
    for (const tagQVEntry& entry : m_entries)
        if (entry.nId == nId && entry.nKind == nKind)
            return entry.pControl.get();
    return nullptr;
}

CQVButton* CQVUIManager::GetControlAt(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetCount())
        return nullptr;
    return m_entries[static_cast<size_t>(nIndex)].pControl.get();
}

int CQVUIManager::GetIdAt(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetCount())
        return -1;
    return m_entries[static_cast<size_t>(nIndex)].nId;
}

int CQVUIManager::GetKindAt(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetCount())
        return -1;
    return m_entries[static_cast<size_t>(nIndex)].nKind;
}

bool CQVUIManager::SetFocus(CQVButton* pControl, int nKind)
{
    CQVButton* pOld = m_pFocused;
    if (pOld && (pOld != pControl || m_nFocusedKind != nKind))
        pOld->OnFocusLost();
    m_pFocused = pControl;
    m_nFocusedKind = nKind;
    bool bResult = false;
    if (pControl && nKind != kKindHListBox && nKind != kKindWindow)
        bResult = pControl->OnFocusGained();
    // Controls that show the focus change their face.
    if (pOld && pOld != pControl && pOld->IsVisible())
        pOld->Draw();
    if (pControl && pControl != pOld && pControl->IsVisible())
        pControl->Draw();
    return bResult;
}

void CQVUIManager::FocusNext()
{
    const int nCount = GetCount();
    if (nCount == 0)
        return;
    int nStart = -1;
    for (int i = 0; i < nCount; ++i)
        if (m_entries[static_cast<size_t>(i)].pControl.get() == m_pFocused &&
            m_entries[static_cast<size_t>(i)].nKind == m_nFocusedKind)
        {
            nStart = i;
            break;
        }
    // Focus never lands on a control that cannot be seen or used, nor on a label.
    for (int nStep = 1; nStep <= nCount; ++nStep)
    {
        const int i = nStart < 0 ? nStep - 1 : (nStart + nStep) % nCount;
        const tagQVEntry& entry = m_entries[static_cast<size_t>(i)];
        CQVButton* pControl = entry.pControl.get();
        if (!TakesPart(entry.nKind) || entry.nKind == kKindUnmanaged ||
            entry.nKind == kKindStatic || !pControl->IsVisible() || !pControl->IsEnabled())
            continue;
        SetFocus(pControl, entry.nKind);
        return;
    }
}

void CQVUIManager::Mouse(unsigned nCode, QPoint pt)
{
    // By index: a control may register others while it handles the mouse.
    for (size_t i = 0; i < m_entries.size(); ++i)
    {
        if (!TakesPart(m_entries[i].nKind) || m_entries[i].nKind == kKindWindow)
            continue;
        CQVButton* pControl = m_entries[i].pControl.get();
        if (pControl->Mouse(m_pOwner, nCode, pt))
            pControl->Draw();
    }
}

bool CQVUIManager::Wheel(const tagQVInputMessage& msg)
{
    if (!m_pFocused)
        return false;
    const int k = m_nFocusedKind;
    const bool bWheelKind = k == kKindEdit || (k >= kKindVListBox && k <= kKindSlider) ||
                            k == kKindListCtrl || k == kKindDefault;
    return bWheelKind && m_pFocused->Wheel(msg);
}

bool CQVUIManager::Key(const tagQVInputMessage& msg)
{
    if (msg.nMessage != kMsgKeyDown && msg.nMessage != kMsgKeyUp)
        return false;
    if (!m_pOwner || !m_pOwner->IsActiveWindow())
        return false;
    if (msg.nMessage == kMsgKeyDown && msg.nVirtualKey == kVkTab)
    {
        FocusNext();
        return true;
    }
    if (!m_pFocused)
        return false;
    const int k = m_nFocusedKind;
    if (!((k >= 0 && k <= 19) || k == kKindFont6))
        return false;
    return m_pFocused->Key(msg);
}

void CQVUIManager::Activate(bool bActive)
{
    for (size_t i = 0; i < m_entries.size(); ++i)
    {
        const int k = m_entries[i].nKind;
        if (TakesPart(k) && k != kKindHListBox && k != kKindWindow)
            m_entries[i].pControl->OnActivate(bActive);
    }
}

void CQVUIManager::Resized()
{
    for (size_t i = 0; i < m_entries.size(); ++i)
    {
        const int k = m_entries[i].nKind;
        if (!TakesPart(k))
            continue;
        CQVButton* pControl = m_entries[i].pControl.get();
        pControl->DiscardSavedBackground();
        if (!(k >= kKindButton && k <= kKindProgress) && k != kKindWindow)
            pControl->RecalcLayout();
    }
}

QImage CQVUIManager::Composite()
{
    if (!m_pOwner || !m_pOwner->IsWindow())
        return QImage();
    const QRect client = m_pOwner->GetClientRect();
    if (client.isEmpty())
        return QImage();
    QImage image(client.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(CQVTheme::ToQColor(CQVTheme::Colors().clrDlgBK));
    {
        QPainter painter(&image);
        if (m_pBackground)
        {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(client, *m_pBackground);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        }
        m_pOwner->SendMessage(kMsgDrawBackground, reinterpret_cast<uintptr_t>(&painter), 0);
        const QImage& composite = image;
        for (size_t i = 0; i < m_entries.size(); ++i)
            if (TakesPart(m_entries[i].nKind))
                m_entries[i].pControl->Draw(&painter, &composite);
    }
    return image;
}

void CQVUIManager::Paint()
{
    QImage image = Composite();
    if (!image.isNull())
        m_pOwner->PresentImage(image);
}

void CQVUIManager::Destroy()
{
    m_pFocused = nullptr;
    m_pDefault = nullptr;
    for (tagQVEntry& entry : m_entries)
        entry.pControl->Destroy();
    m_entries.clear();
    m_pBackground.reset();
}

} // namespace qv
