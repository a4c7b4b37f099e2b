// The output size of a crop whose sides are no multiples of 4: what the crop dialog shows
// beside W and H, what the front-end writes into the job and what the engine takes from the
// source agree. With VANTREL_SCREENSHOT_DIR set, the dialog is saved there.
#include "compose/FrameComposition.h"
#include "frontend/CQVCropDlg.h"
#include "frontend/JobFiles.h"
#include "tests/frontend/FrontEndTestSupport.h"
#include "tests/support/TestMedia.h"
#include "ui/CQVEdit.h"
#include "ui/CQVEditCtrl.h"

#include <QDir>
#include <QLineEdit>

using namespace qv;
using namespace qv::test;

namespace
{

TEST(WrittenSize, TheCropDialogTheJobAndTheEngineAgreeOnOddSizes)
{
    const struct
    {
        int nSourceW, nSourceH;
        tagQVCropValues drag;
        bool bEnabled;
        int x, y, W, H; // the source pixels of the output
    } cases[] = {
        {721, 405, {33, 17, 401, 301}, true, 33, 17, 400, 300},
        {721, 405, {320, 104, 401, 301}, true, 320, 104, 400, 300}, // to the right and bottom
        {721, 405, {700, 400, 50, 50}, true, 700, 400, 20, 4},      // past them: clipped first
        {854, 480, {10, 10, 100, 100}, false, 0, 0, 852, 480},      // no crop
        {720, 404, {100, 52, 400, 300}, true, 100, 52, 400, 300},   // already in fours
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.drag.x) + "," + std::to_string(c.drag.y) + " " +
                     std::to_string(c.drag.w) + "x" + std::to_string(c.drag.h));
        const tagQVCropValues row =
            c.bEnabled ? c.drag : tagQVCropValues{0, 0, c.nSourceW, c.nSourceH};
        const bool bSame = row.w == c.W && row.h == c.H;
        EXPECT_EQ(CQVCropDlg::WrittenSizeText(c.drag, c.nSourceW, c.nSourceH, c.bEnabled),
                  bSame ? QString() : QString::fromUtf8("→ %1 × %2").arg(c.W).arg(c.H));

        const tagQVRowCrop rowCrop{row.x, row.y, row.w, row.h, c.nSourceW, c.nSourceH};
        const tagQVFrameSize size = OutputSizeOfRow(rowCrop);
        EXPECT_EQ(size.nWidth, c.W);
        EXPECT_EQ(size.nHeight, c.H);

        tagQVMediaData item;
        item.nVideoWidth = c.nSourceW;
        item.nVideoHeight = c.nSourceH;
        auto pCrop = std::make_unique<tagQVCropData>();
        if (CropOfRow(rowCrop, pCrop.get()))
            item.pCrop = std::move(pCrop);
        item.eMediaTypeLine = 3; // rows counted from the top
        const tagQVSourceRect rect = ComputeSourceRect(item, size.nWidth, size.nHeight);
        EXPECT_FALSE(rect.bScaled);
        EXPECT_EQ(rect.x, c.x);
        EXPECT_EQ(rect.y, c.y);
        EXPECT_EQ(rect.nWidth, c.W);
        EXPECT_EQ(rect.nHeight, c.H);
    }
}

class WrittenSizeDialogTest : public CFrontEndTest
{
protected:
    CQVScratchFolder scratch;
};

TEST_F(WrittenSizeDialogTest, TheLineBesideWAndHFollowsTheTypedSize)
{
    const std::string clip = scratch / "odd.mp4";
    ASSERT_TRUE(RunFFmpeg("-f lavfi -i testsrc2=s=721x405:r=10:d=1 -c:v libx264 -preset "
                          "ultrafast -pix_fmt yuv420p \"" +
                          clip + "\""));
    CQVCropDlg dialog(tagQVCropRequest{clip, 1, 721, 405, 33, 17, 401, 301}, nullptr);
    ASSERT_TRUE(OpenShown(dialog));
    EXPECT_EQ(dialog.GetWrittenSizeText(), QString::fromUtf8("→ 400 × 300"));
    // The still is the source's own size, not cut to fours.
    ASSERT_TRUE(WaitFor([&] { return dialog.IsFrameExact(); }, 20000));
    EXPECT_EQ(dialog.GetFrameImage().size(), QSize(721, 405));
    const QByteArray folder = qgetenv("VANTREL_SCREENSHOT_DIR");
    if (!folder.isEmpty())
    {
        EXPECT_TRUE(dialog.GetWidget()->grab().save(
            QDir(QString::fromLocal8Bit(folder))
                .filePath(QStringLiteral("crop_written_size.png"))));
    }

    auto type = [&](int nId, const char* szText)
    {
        auto* pEdit = dynamic_cast<CQVEdit*>(dialog.GetUIManager()->Find(nId, kKindEdit));
        ASSERT_TRUE(pEdit);
        auto* pLine = qobject_cast<QLineEdit*>(pEdit->GetEditCtrl()->GetWidget());
        ASSERT_TRUE(pLine);
        pLine->setFocus();
        pLine->selectAll();
        QTest::keyClick(pLine, Qt::Key_Backspace);
        QTest::keyClicks(pLine, szText);
        DeliverPosted();
    };
    type(CQVCropDlg::kIdCropWidth, "400");
    EXPECT_EQ(dialog.GetWrittenSizeText(), QString::fromUtf8("→ 400 × 300"));
    type(CQVCropDlg::kIdCropHeight, "300");
    EXPECT_EQ(dialog.GetWrittenSizeText(), QString()) << "400 x 300 is written as it is";
}

} // namespace
