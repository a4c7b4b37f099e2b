// One per skinned window: keeps the window's windowless controls in a registry found by
// (id, kind), composites the whole window in one pass into an off-screen image, routes mouse,
// wheel, key and activation messages to the controls, and moves the toolkit focus.
// GUI thread only.
#pragma once

#include "platform/CQVPlatformWindow.h"

#include <QImage>
#include <QPoint>
#include <memory>
#include <string>
#include <vector>

namespace qv
{

class CQVButton;

// Control kinds: what a control was registered as. The skin loader assigns 0..14 by element.
enum : int
{
    kKindButton = 0,
    kKindCheck = 1,
    kKindRadio = 2,
    kKindEdit = 3,
    kKindProgress = 4,
    kKindVListBox = 5,
    kKindHListBox = 6,
    kKindComboBox = 7,
    kKindUnmanaged = 8, // registered as it is: no owner, id, font or manager set
    kKindMenuButton = 9,
    kKindColorButton = 10,
    kKindSlider = 11,
    kKindLinkButton = 12,
    kKindStatic = 13,
    kKindListCtrl = 14,
    kKindKeepFont = 15, // any control; its font id stays
    kKindDefault = 16,  // becomes the default control
    kKindTextButton = 17,
    kKindWindow = 20, // a scrolling-window control
    kKindFont6 = 23,  // any control; gets font 6
    kKindLast = 23,   // kinds above take part in nothing
};

// Sent to the owner window while compositing, wParam = the QPainter on the composite, after
// the background and before the controls: the window draws its caption and border.
const unsigned kMsgDrawBackground = 1924;

class CQVUIManager
{
public:
    CQVUIManager();
    ~CQVUIManager();
    CQVUIManager(const CQVUIManager&) = delete;
    CQVUIManager& operator=(const CQVUIManager&) = delete;

    // Binds the manager to the window and reads the skin description at the program
    // folder plus relativePath. False when the window is not live or the file was not read
    // (the window then runs with its coded controls only).
    bool LoadSkin(CQVPlatformWindow* pWindow, const std::string& relativePath);
    // The same with image and skin paths relative to baseFolder (ending in "/").
    bool LoadSkinFrom(CQVPlatformWindow* pWindow, const std::string& baseFolder,
                      const std::string& relativePath);

    // Takes ownership of pControl. Unless nKind is 8 the control gets this manager's owner
    // window, the id, this manager and the kind's font id. Null is ignored.
    void Add(int nId, CQVButton* pControl, int nKind);
    // Appends as it is, with the owner, manager, id and kind but no default font (the skin
    // loader's controls carry their own attributes).
    void AppendEntry(int nId, CQVButton* pControl, int nKind);
    // The first control registered under exactly (nId, nKind), or null.
    CQVButton* Find(int nId, int nKind) const;

    // Moves the toolkit focus; returns what the new control's focus-gained operation returns
    // (false for kinds 6 and 20, which are not told).
    bool SetFocus(CQVButton* pControl, int nKind);
    // Focus to the next control after the focused one that is visible and enabled, wrapping
    // to the first; with none focused, the first such control.
    void FocusNext();
    CQVButton* GetFocused() const { return m_pFocused; }
    int GetFocusedKind() const { return m_nFocusedKind; }
    CQVButton* GetDefaultControl() const { return m_pDefault; }

    // Every control (except kind 20) sees every mouse code with the client point; a control
    // that changed is redrawn on its own at once.
    void Mouse(unsigned nCode, QPoint pt);
    // To the focused control if its kind is 3, 5 to 11, 14 or 16. Whether it was taken.
    bool Wheel(const tagQVInputMessage& msg);
    // Key-down and key-up while the owner is the active window: Tab moves the focus,
    // anything else goes to the focused control if its kind is 0 to 19 or 23.
    bool Key(const tagQVInputMessage& msg);
    // Every control except kinds 6 and 20 learns the window's activation state.
    void Activate(bool bActive);
    // Saved backgrounds are discarded; controls other than kinds 0 to 4 and 20 relayout.
    void Resized();
    // Composites the window and presents it: background (image or colour), kMsgDrawBackground,
    // then the controls in registration order. Nothing without a live owner window.
    void Paint();
    // The same into an image of the owner's client size, without presenting it.
    QImage Composite();
    // Destroys and frees every control, the background image and the registry.
    void Destroy();

    CQVPlatformWindow* GetOwner() const { return m_pOwner; }
    void SetOwner(CQVPlatformWindow* pOwner) { m_pOwner = pOwner; }
    bool HasBackgroundImage() const { return m_pBackground != nullptr; }
    void SetBackgroundImage(const QImage& image);
    int GetCount() const { return static_cast<int>(m_entries.size()); }
    // Registry access by position; null / -1 outside the range.
    CQVButton* GetControlAt(int nIndex) const;
    int GetIdAt(int nIndex) const;
    int GetKindAt(int nIndex) const;

    // Managers alive in the process; the skin font table is emptied when it drops to 0.
    static int LiveCount();

private:
    // Appends the entry unless the control is null or registered already. False then.
    bool TakeOwnership(int nId, CQVButton* pControl, int nKind);
    struct tagQVEntry
    {
        int nId;
        std::unique_ptr<CQVButton> pControl;
        int nKind;
    };
    static bool TakesPart(int nKind) { return nKind >= 0 && nKind <= kKindLast; }

    CQVPlatformWindow* m_pOwner = nullptr;
    std::unique_ptr<QImage> m_pBackground;
    std::vector<tagQVEntry> m_entries;
    CQVButton* m_pFocused = nullptr;
    int m_nFocusedKind = 0;
    CQVButton* m_pDefault = nullptr;
};

} // namespace qv
