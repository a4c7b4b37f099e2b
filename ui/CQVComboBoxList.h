// The rows of a drop-down window: one text per row, a highlighted row that follows the
// mouse and the arrow keys, and a vertical scroll bar when the rows do not fit. Choosing a
// row (a click or Enter) calls the choice handler. Lives inside a CQVComboBoxWnd.
#pragma once

#include "ui/CQVWindow.h"

#include <QFont>
#include <QStringList>
#include <functional>

namespace qv
{

class CQVComboBoxList : public CQVWindow
{
public:
    static constexpr int kRowHeight = 22;

    CQVComboBoxList();

    void SetItems(const QStringList& items, int nCurrent);
    const QStringList& GetItems() const { return m_items; }
    void SetFont(const QFont& font) { m_font = font; }
    // The highlighted row, -1 for none; setting it scrolls it into view.
    int GetCurrent() const { return m_nCurrent; }
    void SetCurrent(int nRow, bool bRedraw);
    // The row at a client point, -1 outside the rows.
    int RowAt(QPoint pt) const;
    // The rectangle of a row in client coordinates (may lie outside the view).
    QRect RowRect(int nRow) const;
    // The rows' total height for a given number of rows.
    static int ContentHeight(int nRows) { return nRows * kRowHeight; }

    // Called with the chosen row.
    std::function<void(int)> onChoose;

    bool Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt) override;
    // Up, Down, Page Up, Page Down, Home, End move the highlight; Enter chooses it.
    bool Key(const tagQVInputMessage& msg) override;
    void RecalcLayout() override;

protected:
    void DrawFrame(QPainter* pGraphics, const QRect& rc) override;
    void DrawContent(QPainter* pGraphics, const QRect& rcView) override;

private:
    QStringList m_items;
    QFont m_font;
    int m_nCurrent = -1;
    int m_nHover = -1;
    bool m_bPressed = false; // a press began on a row
};

} // namespace qv
