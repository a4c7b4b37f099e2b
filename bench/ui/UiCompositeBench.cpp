// Times a full composite of a 1000 x 650 skinned window with 20 controls (the main window's
// size and about its number of buttons), and a single-control redraw, on the offscreen
// platform. Prints milliseconds per frame; the aim for the full composite is under 5 ms.
//   ui_bench [frames]
#include "platform/ProgramFolder.h"
#include "ui/CQVButton.h"
#include "ui/CQVDialogBase.h"
#include "ui/CQVStatic.h"
#include "ui/CQVTextButton.h"
#include "ui/CQVTheme.h"
#include "ui/CQVUIManager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>

using namespace qv;

namespace
{

class CBenchDialog : public CQVDialogBase
{
protected:
    void OnInitDialog() override
    {
        CQVDialogBase::OnInitDialog();
        MoveWindow(0, 0, 1000, 650);
        SetWindowText(QStringLiteral("Vantrel"));
    }

    // The base's close, OK and Cancel plus 17 more: 20 controls.
    void CreateControls() override
    {
        CQVDialogBase::CreateControls();
        CQVUIManager& manager = *GetUIManager();
        const char* const images[] = {
            "menu",        "dia-max1",      "dia-min",           "dia-help",
            "add",         "op-remove",     "op-removeall",      "op-up",
            "op-down",     "op-uploadcrop", "op-previewproject", "vsetting",
            "main-convert"};
        int nId = 16;
        for (const char* szName : images)
        {
            auto* pButton = new CQVButton();
            pButton->SetImageFromFile(ProgramPath(std::string("skin/btn/") + szName + ".png"));
            pButton->SetToolTipText(QString::fromLatin1(szName));
            manager.Add(nId++, pButton, kKindButton);
        }
        for (const char* szText : {"Advanced", "Apply", "Defaults"})
            manager.Add(nId++, new CQVTextButton(QString::fromLatin1(szText)), kKindTextButton);
        manager.Add(nId++,
                    new CQVStatic(QStringLiteral("Rendering writes every file of the list to "
                                                 "the chosen folder, one after the other.")),
                    kKindStatic);
    }

    void LayoutControls() override
    {
        CQVDialogBase::LayoutControls();
        CQVUIManager& manager = *GetUIManager();
        for (int i = 0; i < manager.GetCount(); ++i)
        {
            CQVButton* pControl = manager.GetControlAt(i);
            const int nId = manager.GetIdAt(i);
            if (nId < 16)
                continue;
            const int nIndex = nId - 16;
            if (manager.GetKindAt(i) == kKindTextButton)
                pControl->Move(10 + 80 * (nIndex - 13), 560, 70, 22, false);
            else if (manager.GetKindAt(i) == kKindStatic)
                pControl->Move(10, 100, 600, 40, false);
            else if (nIndex < 4)
                pControl->Move(30 + 20 * nIndex, 6, 16, 16, false);
            else
                pControl->Move(10 + 45 * (nIndex - 4), 45, nIndex >= 11 ? 126 : 30,
                               nIndex >= 11 ? 40 : 30, false);
        }
    }
};

double MsPerFrame(int nFrames, const std::function<void()>& frame)
{
    frame(); // warm caches and fonts
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < nFrames; ++i)
        frame();
    return timer.nsecsElapsed() / 1e6 / nFrames;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int nFrames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    CQVTheme::LoadFile(ProgramPath("skin/uicolors/UIColors.uic"));
    CQVTheme::SetFadeDialogs(false);

    CBenchDialog dialog;
    if (!dialog.Open())
    {
        std::fprintf(stderr, "ui_bench: cannot open the window\n");
        return 1;
    }
    CQVUIManager& manager = *dialog.GetUIManager();
    std::printf("window %dx%d, %d controls, %d frames\n", dialog.GetClientRect().width(),
                dialog.GetClientRect().height(), manager.GetCount(), nFrames);

    const double dComposite = MsPerFrame(nFrames, [&] { manager.Composite(); });
    const double dPaint = MsPerFrame(nFrames, [&] { manager.Paint(); });
    CQVButton* pRender = manager.Find(28, kKindButton);
    const double dSingle = MsPerFrame(nFrames * 10, [&] { pRender->Draw(); });
    std::printf("full composite          %7.3f ms/frame  (aim: under 5 ms)\n", dComposite);
    std::printf("composite + present     %7.3f ms/frame\n", dPaint);
    std::printf("single-control redraw   %7.3f ms/frame  (%.0fx cheaper than a composite)\n",
                dSingle, dPaint / dSingle);
    return 0;
}
