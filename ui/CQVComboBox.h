// The combo box: a choice from a drop-down list of items (a text and an int value each),
// optionally editable, in which case a hosted edit window takes typed text. The drop-down
// button sits at the right end. Choosing an item sets the text and posts
// kMsgComboChoice (2024) with the combo box and the item's index. Registered under kind 7.
// GUI thread only.
#pragma once

#include "ui/CQVEdit.h"

#include <QString>
#include <memory>
#include <vector>

namespace qv
{

class CQVComboBoxWnd;

class CQVComboBox : public CQVEdit
{
public:
    static constexpr int kButtonWidth = 20;
    static constexpr int kDropHeight = 300;

    CQVComboBox();
    ~CQVComboBox() override;

    // The skin's "combobox" element: "edited" makes it editable, "number" digits only.
    static CQVButton* CreateFromSkin(const QVSkinAttributes& attributes);

    void Destroy() override;
    // A press on the button, or anywhere on a non-editable box, opens (or closes) the
    // drop-down; a press in an editable box's text part goes to its edit window.
    bool Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt) override;
    // Down arrow (or Alt+Down) on a focused, non-editable box opens the drop-down.
    bool Key(const tagQVInputMessage& msg) override;
    void Enable(bool bEnable, bool bRedraw) override;
    void Show(bool bShow, bool bRedraw) override;
    void OnFocusLost() override;
    void DrawText(QPainter* pGraphics, const QRect& rc) override;

    // Set before registration: an editable box makes an edit window.
    void SetEditable(bool bEditable) { m_bEditable = bEditable; }
    bool IsEditable() const { return m_bEditable; }
    void SetDropHeight(int nHeight) { m_nDropHeight = nHeight; }

    // --- items. Bad indexes are ignored by the setters; the getters answer 0 / empty.
    int AddItem(const QString& strText);
    void SetItemValue(int nIndex, int nValue);
    int GetItemValue(int nIndex) const;
    QString GetItemText(int nIndex) const;
    int GetCount() const { return static_cast<int>(m_items.size()); }
    // The text becomes the item's text, or empty when there is no such item.
    void Select(int nIndex, bool bRedraw);
    // The last item whose text equals the current text exactly; -1 when none.
    int GetSelection() const;
    // Empties the list and the text.
    void Clear();

    void OpenDropDown();
    void CloseDropDown();
    bool IsDropDownOpen() const;
    CQVComboBoxWnd* GetDropDown() const { return m_pDropDown.get(); }
    // The drop-down button's rectangle.
    QRect ButtonRect() const;

protected:
    int EditRightInset() const override { return kButtonWidth; }
    bool WantsEditWindow() const override { return m_bEditable; }

private:
    struct tagQVComboItem
    {
        QString strText;
        int nValue = 0;
    };
    void Choose(int nIndex);

    bool m_bEditable = false;
    int m_nDropHeight = kDropHeight;
    std::unique_ptr<CQVComboBoxWnd> m_pDropDown;
    std::vector<tagQVComboItem> m_items;
    bool m_bButtonHover = false;
    bool m_bHover = false;
};

} // namespace qv
