// The toolkit on a real X server (CI runs the tests under xvfb-run): clicks from xdotool,
// opacity reaching the server, and what the server shows. Skipped without a display.
// With VANTREL_SCREENSHOT_DIR set, screenshots of what the server shows are saved there.
#include "UiTestSupport.h"

#include "platform/ProgramFolder.h"
#include "ui/CQVButton.h"
#include "ui/CQVMessageDlg.h"
#include "ui/CQVStatic.h"
#include "ui/CQVTextButton.h"

#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace
{

bool OnXServer()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

bool HaveTool(const char* szName)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(szName)).isEmpty();
}

// The server's pixels of a screen rectangle.
QImage GrabScreen(const QRect& rect)
{
    QGuiApplication::sync();
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

void SaveScreenshot(const QRect& rect, const char* szName)
{
    const QString folder = qEnvironmentVariable("VANTREL_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    GrabScreen(rect).save(QDir(folder).filePath(QString::fromLatin1(szName)));
}

// A dialog in the shipped look with the kinds of buttons the program's windows use.
class CDemoDialog : public CRecordingDialog
{
protected:
    void OnInitDialog() override
    {
        CRecordingDialog::OnInitDialog();
        MoveWindow(0, 0, 560, 260);
        CenterWindow(nullptr);
        SetWindowText(QStringLiteral("Movie Settings"));
    }
    void CreateControls() override
    {
        CRecordingDialog::CreateControls();
        CQVUIManager& manager = *GetUIManager();
        const char* const images[] = {"add",     "op-remove",     "op-removeall",     "op-up",
                                      "op-down", "op-uploadcrop", "op-previewproject"};
        const char* const tips[] = {"Add...",    "Remove", "Remove All", "Move Up",
                                    "Move Down", "Crop",   "Preview"};
        for (int i = 0; i < 7; ++i)
        {
            auto* pButton = new CQVButton();
            pButton->SetImageFromFile(ProgramPath(std::string("skin/btn/") + images[i] + ".png"));
            pButton->SetToolTipText(QString::fromLatin1(tips[i]));
            pButton->SetHoverCursor(Qt::PointingHandCursor);
            manager.Add(18 + i, pButton, kKindButton);
        }
        auto* pSettings = new CQVButton();
        pSettings->SetImageFromFile(ProgramPath("skin/btn/vsetting.png"));
        manager.Add(30, pSettings, kKindButton);
        auto* pRender = new CQVButton();
        pRender->SetImageFromFile(ProgramPath("skin/btn/main-convert.png"));
        manager.Add(31, pRender, kKindButton);
        manager.Add(40,
                    new CQVStatic(QStringLiteral("Output format, size and quality apply to every "
                                                 "file of the list.")),
                    kKindStatic);
        auto* pAdvanced = new CQVTextButton(QStringLiteral("Advanced"));
        pAdvanced->SetHighlighted(true);
        manager.Add(41, pAdvanced, kKindTextButton);
        auto* pOff = new CQVTextButton(QStringLiteral("Disabled"));
        pOff->Enable(false, false);
        manager.Add(42, pOff, kKindTextButton);
    }
    void LayoutControls() override
    {
        CRecordingDialog::LayoutControls();
        CQVUIManager& manager = *GetUIManager();
        const int w = GetClientRect().width();
        if (CQVButton* pAdd = manager.Find(18, kKindButton))
            pAdd->Move(10, 35, 40, 40, false);
        for (int i = 1; i < 7; ++i)
            if (CQVButton* pButton = manager.Find(18 + i, kKindButton))
                pButton->Move(20 + 40 * i, 45, 30, 30, false);
        if (CQVButton* pSettings = manager.Find(30, kKindButton))
            pSettings->Move(w - 239, 35, 92, 40, false);
        if (CQVButton* pRender = manager.Find(31, kKindButton))
            pRender->Move(w - 137, 35, 126, 40, false);
        if (CQVButton* pText = manager.Find(40, kKindStatic))
            pText->Move(10, 95, w - 20, 60, false);
        if (CQVButton* pAdvanced = manager.Find(41, kKindTextButton))
            pAdvanced->Move(10, 170, 90, 22, false);
        if (CQVButton* pOff = manager.Find(42, kKindTextButton))
            pOff->Move(110, 170, 90, 22, false);
    }
};

class XServer : public CToolkitTest
{
protected:
    void SetUp() override
    {
        CToolkitTest::SetUp();
        if (!OnXServer())
            GTEST_SKIP() << "needs an X server: run under xvfb-run";
        ASSERT_TRUE(CQVTheme::LoadFile(ProgramPath("skin/uicolors/UIColors.uic")));
    }
};

} // namespace

TEST_F(XServer, MessageBoxAnswersAClickFromXdotool)
{
    if (!HaveTool("xdotool"))
        GTEST_SKIP() << "xdotool is not installed";
    CQVTheme::SetFadeDialogs(true);
    CQVMessageDlg box(QStringLiteral("Exit?"),
                      QStringLiteral("The Function is Working, Are you sure to exit?"), 4);
    bool bClicked = false;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(
        &poll, &QTimer::timeout,
        [&]
        {
            if (bClicked || !box.IsWindowVisible() || box.HasTimer(kTimerFadeIn))
                return;
            bClicked = true;
            box.UpdateWindow();
            QTest::qWait(100);
            SaveScreenshot(box.GetWindowRect().adjusted(-24, -24, 24, 24), "messagebox.png");
            const QRect yes = box.GetUIManager()->Find(kIdYes, kKindTextButton)->GetRect();
            const QPoint pt = box.ClientToScreen(yes.center());
            QProcess::startDetached(QStringLiteral("xdotool"),
                                    {QStringLiteral("mousemove"), QStringLiteral("--sync"),
                                     QString::number(pt.x()), QString::number(pt.y()),
                                     QStringLiteral("click"), QStringLiteral("1")});
        });
    poll.start();
    QTimer::singleShot(15000, [&] { box.EndModal(-5); });
    const int nEnd = box.DoModal();
    EXPECT_TRUE(bClicked);
    EXPECT_EQ(nEnd, kIdOk);
    EXPECT_EQ(box.GetResultCode(), kIdYes);
    EXPECT_EQ(box.GetWindowAlpha(), 0) << "faded out";
}

TEST_F(XServer, OpacityReachesTheServerWithoutReturningToTheEventLoop)
{
    if (!HaveTool("xprop"))
        GTEST_SKIP() << "xprop is not installed";
    CQVPlatformWindow window;
    ASSERT_TRUE(window.CreateWindowEx(nullptr, 120, 80));
    window.ShowWindow(true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.GetWidget()));
    window.SetWindowAlpha(50);
    QTest::qWait(50);
    // A fade-out sleeps between steps: this change must reach the server by itself.
    window.SetWindowAlpha(128);
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::number(window.GetNativeId()),
                 QStringLiteral("_NET_WM_WINDOW_OPACITY")});
    ASSERT_TRUE(xprop.waitForFinished(5000));
    const QString output = QString::fromLatin1(xprop.readAllStandardOutput()).trimmed();
    const qulonglong nExpected = qRound64(0xffffffffULL * (128 / 255.0));
    EXPECT_TRUE(output.endsWith(QStringLiteral("= ") + QString::number(nExpected)))
        << qPrintable(output);
}

TEST_F(XServer, TheServerShowsExactlyTheCompositedDialog)
{
    CDemoDialog dialog;
    ASSERT_TRUE(OpenShown(dialog));
    QTest::qWait(200);
    const QRect rect = dialog.GetWindowRect();
    const QImage shown = GrabScreen(rect);
    const QImage composed = dialog.GetContentImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), composed.size());
    int nDiffering = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            nDiffering += shown.pixel(x, y) != composed.pixel(x, y);
    EXPECT_EQ(nDiffering, 0);
    SaveScreenshot(rect.adjusted(-24, -24, 24, 24), "dialog.png");

    // Hovering a tool button: its frame changes on the server and its tooltip shows.
    CQVButton* pCrop = dialog.GetUIManager()->Find(23, kKindButton);
    QCursor::setPos(dialog.ClientToScreen(pCrop->GetRect().center()));
    ASSERT_TRUE(WaitFor([&] { return pCrop->IsToolTipVisible(); }));
    QTest::qWait(200);
    const QPoint corner = pCrop->GetRect().topLeft() + QPoint(4, 1);
    EXPECT_NE(GrabScreen(QRect(dialog.ClientToScreen(corner), QSize(1, 1))).pixel(0, 0),
              composed.pixel(corner));
    SaveScreenshot(rect.adjusted(-24, -24, 24, 60), "dialog-hover.png");
}

namespace
{

class CMouseLog : public CQVPlatformWindow
{
public:
    std::vector<unsigned> codes;

protected:
    void OnMouseMessage(unsigned nCode, QPoint pt) override
    {
        (void)pt;
        if (nCode != kMsgMouseMove && nCode != kMsgMouseLeave)
            codes.push_back(nCode);
    }
};

} // namespace

TEST_F(XServer, ADoubleClickArrivesAsDownUpDoubleUp)
{
    if (!HaveTool("xdotool"))
        GTEST_SKIP() << "xdotool is not installed";
    CMouseLog window;
    ASSERT_TRUE(window.CreateWindowEx(nullptr, 200, 120));
    window.MoveWindow(300, 300, 200, 120);
    window.ShowWindow(true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.GetWidget()));
    const QPoint pt = window.ClientToScreen(QPoint(100, 60));
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"),
                  {QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(pt.x()),
                   QString::number(pt.y()), QStringLiteral("click"), QStringLiteral("--repeat"),
                   QStringLiteral("2"), QStringLiteral("--delay"), QStringLiteral("60"),
                   QStringLiteral("1")});
    ASSERT_TRUE(WaitFor([&] { return window.codes.size() >= 4; }, 5000));
    xdotool.waitForFinished(2000);
    Pump(100);
    EXPECT_EQ(window.codes, (std::vector<unsigned>{kMsgLButtonDown, kMsgLButtonUp,
                                                   kMsgLButtonDblClk, kMsgLButtonUp}));
}
