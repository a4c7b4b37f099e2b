// The list and the value controls in the shipped theme: a window like the main window's
// list with 20 rows and a progress column, and the settings dialogs' value controls. Checks
// a few pixels; with VANTREL_SCREENSHOT_DIR set the window is saved there as controls.png.
#include "ControlsTestSupport.h"

#include "platform/ProgramFolder.h"
#include "ui/CQVCheck.h"
#include "ui/CQVComboBox.h"
#include "ui/CQVComboBoxWnd.h"
#include "ui/CQVEdit.h"
#include "ui/CQVListCtrl.h"
#include "ui/CQVProgress.h"
#include "ui/CQVRadio.h"
#include "ui/CQVSlider.h"
#include "ui/CQVStatic.h"

#include <QDir>

using namespace qv;
using namespace qv::test;

namespace
{

class CShowcaseDialog : public CMessageDialog
{
public:
    CShowcaseDialog() : CMessageDialog(QSize(1000, 650)) {}

    CQVListCtrl* pList = nullptr;

protected:
    void OnInitDialog() override
    {
        CMessageDialog::OnInitDialog();
        SetWindowText(QStringLiteral("Vantrel"));
    }
    void CreateControls() override
    {
        CMessageDialog::CreateControls();
        CQVUIManager& manager = *GetUIManager();
        pList = new CQVListCtrl();
        manager.Add(26, pList, kKindListCtrl);
        struct
        {
            int nType, nWidth;
            const char* szTitle;
        } const columns[] = {
            {CQVListCtrl::kTypeText, 250, "File"},    {CQVListCtrl::kTypeProgress, 210, "State"},
            {CQVListCtrl::kTypeText, 70, "Duration"}, {CQVListCtrl::kTypeEdit, 60, "Crop X"},
            {CQVListCtrl::kTypeEdit, 60, "Crop Y"},   {CQVListCtrl::kTypeEdit, 60, "Crop W"},
            {CQVListCtrl::kTypeEdit, 60, "Crop H"},   {CQVListCtrl::kTypeChoice, 90, "Quality"},
            {CQVListCtrl::kTypeText, 80, "Source W"}, {CQVListCtrl::kTypeText, 80, "Source H"}};
        for (const auto& column : columns)
            pList->AddColumn(column.nType, column.nWidth, QString::fromLatin1(column.szTitle));
        pList->SetColumnChecks(0, true, true);
        const char* const names[] = {"holiday_beach", "interview-take2", "drone_over_lake",
                                     "birthday",      "screen capture",  "concert_front_row"};
        for (int i = 0; i < 20; ++i)
        {
            const int nWidth = i % 3 == 0 ? 1920 : (i % 3 == 1 ? 1280 : 720);
            const int nHeight = nWidth * 9 / 16;
            pList->InsertRow(QStringLiteral("/home/user/Videos/%1_%2.mp4")
                                 .arg(QString::fromLatin1(names[i % 6]))
                                 .arg(i + 1, 2, 10, QLatin1Char('0')),
                             i);
            const int nPercent = i < 3 ? 100 : (i == 3 ? 45 : (i == 4 ? 12 : 0));
            pList->SetCellText(1, i,
                               nPercent == 100 ? QStringLiteral("Finish")
                               : nPercent > 0  ? QStringLiteral("%1%").arg(nPercent)
                                               : QStringLiteral("Ready"),
                               false);
            pList->SetProgress(1, i, nPercent, false);
            pList->SetCellText(2, i, QString::asprintf("%3.2lf", 30.0 + i * 17.37), false);
            pList->SetCellText(3, i, QStringLiteral("0"), false);
            pList->SetCellText(4, i, QStringLiteral("0"), false);
            pList->SetCellText(5, i, QString::number(nWidth), false);
            pList->SetCellText(6, i, QString::number(nHeight), false);
            pList->SetCellChoices(
                7, i, {QStringLiteral("Fast"), QStringLiteral("Good"), QStringLiteral("Best")},
                i % 3);
            pList->SetCellText(8, i, QString::number(nWidth), false);
            pList->SetCellText(9, i, QString::number(nHeight), false);
            pList->SetCellChecked(0, i, i % 4 != 2, false);
        }

        auto label = [&](int nId, const char* szText)
        {
            auto* pLabel = new CQVStatic(QString::fromLatin1(szText));
            pLabel->SetTextAlign(CQVButton::kAlignLeft);
            manager.Add(nId, pLabel, kKindStatic);
        };
        label(40, "Format");
        label(41, "Bitrate");
        label(42, "Quality");
        label(43, "Position");
        label(44, "Progress");
        auto* pFormat = new CQVComboBox();
        pFormat->AddItem(QStringLiteral("MP4"));
        pFormat->AddItem(QStringLiteral("WMV"));
        manager.Add(38, pFormat, kKindComboBox);
        pFormat->Select(0, false);
        auto* pBitrate = new CQVEdit();
        pBitrate->SetDigitsOnly(true);
        manager.Add(28, pBitrate, kKindEdit);
        pBitrate->SetText(QStringLiteral("2500"), false);
        auto* pQuality = new CQVComboBox();
        pQuality->SetEditable(true);
        manager.Add(29, pQuality, kKindComboBox);
        for (int i = 1; i <= 49; ++i)
            pQuality->AddItem(QString::number(i));
        pQuality->Select(24, false);
        auto* pSlider = new CQVSlider();
        pSlider->SetRange(0, 10);
        pSlider->SetPos(4);
        manager.Add(50, pSlider, kKindSlider);
        auto* pProgress = new CQVProgress();
        pProgress->SetPos(65);
        pProgress->SetText(QStringLiteral("65%"), false);
        manager.Add(51, pProgress, kKindProgress);
        auto* pCheck = new CQVCheck(QStringLiteral("Deinterlacing"));
        pCheck->SetCheck(true, false);
        manager.Add(35, pCheck, kKindCheck);
        manager.Add(31, new CQVCheck(QStringLiteral("Flip Source Video")), kKindCheck);
        auto* pMp4 = new CQVRadio(QStringLiteral("Size Priority"));
        manager.Add(60, pMp4, kKindRadio);
        auto* pWmv = new CQVRadio(QStringLiteral("Quality Priority"));
        pWmv->SetCheck(true, false);
        manager.Add(61, pWmv, kKindRadio);
        auto* pOff = new CQVCheck(QStringLiteral("3D Smoothing"));
        pOff->Enable(false, false);
        manager.Add(49, pOff, kKindCheck);
    }
    void LayoutControls() override
    {
        CMessageDialog::LayoutControls();
        CQVUIManager& manager = *GetUIManager();
        const QRect client = GetClientRect();
        const int w = client.width();
        if (pList)
            pList->Move(10, 40, w - 21, 400, false);
        const int y = 460;
        auto place = [&](int nId, int nKind, int x, int dy, int cx, int cy)
        {
            if (CQVButton* pControl = manager.Find(nId, nKind))
                pControl->Move(x, y + dy, cx, cy, false);
        };
        place(40, kKindStatic, 20, 0, 80, 22);
        place(38, kKindComboBox, 110, 0, 150, 22);
        place(41, kKindStatic, 20, 32, 80, 22);
        place(28, kKindEdit, 110, 32, 75, 22);
        place(42, kKindStatic, 20, 64, 80, 22);
        place(29, kKindComboBox, 110, 64, 75, 22);
        place(43, kKindStatic, 20, 96, 80, 22);
        place(50, kKindSlider, 110, 97, 200, 20);
        place(44, kKindStatic, 20, 128, 80, 22);
        place(51, kKindProgress, 110, 131, 200, 16);
        place(35, kKindCheck, 340, 0, 180, 22);
        place(31, kKindCheck, 340, 32, 180, 22);
        place(49, kKindCheck, 340, 64, 180, 22);
        place(60, kKindRadio, 560, 0, 180, 22);
        place(61, kKindRadio, 560, 32, 180, 22);
    }
};

} // namespace

TEST(ControlsScreenshot, ListOfTwentyRowsAndTheValueControlsInTheShippedTheme)
{
    CQVTheme::ResetToBuiltIn();
    CQVTheme::SetFadeDialogs(false);
    ASSERT_TRUE(CQVTheme::LoadFile(ProgramPath("skin/uicolors/UIColors.uic")));
    {
        CShowcaseDialog dialog;
        ASSERT_TRUE(OpenShown(dialog));
        QWidget* pWidget = dialog.GetWidget();
        CQVListCtrl& list = *dialog.pList;
        // A selected row and a hovered one, as a user sees them.
        QTest::mouseClick(pWidget, Qt::LeftButton, {}, list.GetCellRect(2, 3).center());
        QTest::mouseMove(pWidget, list.GetCellRect(2, 6).center());
        dialog.Invalidate();
        dialog.UpdateWindow();
        const QImage shot = pWidget->grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shot.size(), QSize(1000, 650));

        const QString folder = qEnvironmentVariable("VANTREL_SCREENSHOT_DIR");
        if (!folder.isEmpty())
        {
            QDir().mkpath(folder);
            EXPECT_TRUE(shot.save(QDir(folder).filePath(QStringLiteral("controls.png"))));
        }

        // The popups: header menu, row menu and a combo box's drop-down list.
        if (!folder.isEmpty())
        {
            auto save = [&](QWidget* pPopup, const char* szName)
            { pPopup->grab().save(QDir(folder).filePath(QString::fromLatin1(szName))); };
            {
                CMenuDriver menu{QString()};
                menu.onShown = [&](QMenu* pMenu) { save(pMenu, "header_menu.png"); };
                QTest::mouseClick(pWidget, Qt::RightButton, {}, list.GetHeaderCellRect(2).center());
                EXPECT_TRUE(menu.Shown());
            }
            {
                CMenuDriver menu{QString()};
                menu.onShown = [&](QMenu* pMenu) { save(pMenu, "row_menu.png"); };
                QTest::mouseClick(pWidget, Qt::RightButton, {}, list.GetCellRect(0, 3).center());
                EXPECT_TRUE(menu.Shown());
            }
            auto* pFormat =
                static_cast<CQVComboBox*>(dialog.GetUIManager()->Find(38, kKindComboBox));
            pFormat->OpenDropDown();
            ASSERT_TRUE(pFormat->IsDropDownOpen());
            QWidget* pDrop = pFormat->GetDropDown()->GetWidget();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(pDrop));
            pFormat->GetDropDown()->UpdateWindow();
            save(pDrop, "dropdown.png");
            pFormat->CloseDropDown();
        }

        // A finished row's bar is filled to its right end, a waiting row's is not.
        const QColor accent = CQVTheme::ToQColor(CQVTheme::Colors().clrText2);
        auto nearAccent = [&](QPoint pt)
        {
            const QColor c = shot.pixelColor(pt);
            return std::abs(c.red() - accent.red()) < 60 &&
                   std::abs(c.green() - accent.green()) < 60 &&
                   std::abs(c.blue() - accent.blue()) < 60;
        };
        const QRect finished = list.GetCellRect(1, 0);
        const QRect waiting = list.GetCellRect(1, 10);
        EXPECT_TRUE(nearAccent(QPoint(finished.right() - 12, finished.top() + 8)));
        EXPECT_FALSE(nearAccent(QPoint(waiting.right() - 12, waiting.top() + 8)));
        EXPECT_TRUE(nearAccent(QPoint(waiting.left() + 5, waiting.top() + 8)) == false);
        // The selected row carries the accent bar at its left edge.
        const QRect selected = list.GetCellRect(0, 3);
        EXPECT_TRUE(nearAccent(QPoint(list.GetViewRect().left() + 1, selected.center().y())));
        // Twenty rows do not fit: the list scrolls.
        EXPECT_TRUE(list.HasVScrollBar());
        EXPECT_TRUE(list.HasHScrollBar() || list.GetHScrollMax() == 0);
    }
    CQVTheme::SetFadeDialogs(true);
    CQVTheme::ResetToBuiltIn();
}
