// The batch without a window and across runs: the render flow driving the model with the
// real engine, the list file written and read back, and the restore after a kill during a
// render, with a missing source, with a damaged file, and in the real program with files
// handed over after the restored rows.
#include "formats/OutputTypes.h"
#include "frontend/BatchLogic.h"
#include "frontend/BatchStore.h"
#include "frontend/CQVRenderFlow.h"
#include "platform/Process.h"
#include "probe/MediaInfoProbe.h"
#include "project/CQVXmlDocument.h"
#include "project/FileKeyTable.h"
#include "tests/frontend/FrontEndTestSupport.h"
#include "tests/frontend/RealProgramSupport.h"
#include "tests/support/TestMedia.h"

#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <csignal>
#include <cstring>
#include <tuple>

using namespace qv;
using namespace qv::test;

namespace
{

std::string Clip(const std::string& name, int nSeconds)
{
    static CQVScratchFolder folder;
    const std::string path = folder / name;
    if (!PathExists(path))
        RunFFmpeg("-f lavfi -i testsrc2=size=320x240:rate=30 -f lavfi -i sine -t " +
                  std::to_string(nSeconds) +
                  " -pix_fmt yuv420p -c:v libx264 -preset ultrafast -c:a aac \"" + path + "\"");
    return path;
}

tagQVBatchRow ProbedRow(const std::string& path)
{
    tagQVMediaInfo info;
    EXPECT_TRUE(ProbeMediaInfo(path, &info)) << path;
    return NewBatchRow(path, info);
}

// What a window would show, kept for the test.
struct CRecordingHost : IQVRenderHost
{
    std::vector<bool> rendering;
    QStringList status;
    std::string link;
    QStringList messages;
    std::string chosen;
    void RenderingChanged(bool bRendering) override { rendering.push_back(bRendering); }
    void ShowStatus(const QStringList& lines, const std::string& linkFolder) override
    {
        status = lines;
        link = linkFolder;
    }
    void ShowMessage(const QString& strText) override { messages << strText; }
    std::string ChooseTargetFolder(const std::string&) override { return chosen; }
};

class BatchTest : public CFrontEndTest
{
protected:
    void SetUp() override
    {
        CFrontEndTest::SetUp();
        ASSERT_TRUE(CopyFile(VANTREL_BUILT_ENGINE,
                             FrontEndGlobals().programFolder + "VantrelEngine", true));
        FrontEndGlobals().outputSettings.Current().nOutputFormat = kOutputMp4;
    }
    std::vector<std::string> PartFiles() const
    {
        std::vector<std::string> parts;
        for (const std::string& name : ListFiles(out.Path()))
            if (name.size() > 5 && name.compare(name.size() - 5, 5, ".part") == 0)
                parts.push_back(name);
        return parts;
    }
    std::string EngineFile() const { return EnginePath(FrontEndGlobals().programFolder); }

    CQVBatchModel model;
    CRecordingHost host;
    CQVTestFolder out{"vantrel-out"};
};

} // namespace

TEST_F(BatchTest, TheRenderFlowDrivesTheModelWithoutAWindow)
{
    model.AppendRows(
        {ProbedRow(Clip("a.mp4", 1)), ProbedRow(Clip("b.mp4", 1)), ProbedRow(Clip("c.mp4", 1))});
    model.SetState(1, ERowState::Missing, "the source file is missing");
    model.SetState(2, ERowState::Finished);
    CQVRenderFlow flow(&model, &host, &FrontEndGlobals());

    flow.Start(); // the chooser is cancelled
    EXPECT_FALSE(flow.IsRendering());
    EXPECT_TRUE(host.rendering.empty());

    host.chosen = out.Path();
    flow.Start();
    ASSERT_TRUE(WaitFor([&] { return !flow.IsRendering(); }, 60000));
    EXPECT_EQ(model.Row(0)->eState, ERowState::Finished);
    EXPECT_EQ(model.Row(0)->outputPath, out / "(output001)a.mp4");
    EXPECT_EQ(model.Row(0)->nEnginePid, 0);
    EXPECT_EQ(model.Row(1)->eState, ERowState::Failed) << "a missing source is never sent";
    EXPECT_EQ(model.Row(1)->reason, "the source file is missing");
    EXPECT_EQ(model.Row(2)->eState, ERowState::Finished);
    EXPECT_EQ(flow.OutputCounter(), 1);
    EXPECT_EQ(host.rendering, (std::vector<bool>{true, false}));
    ASSERT_FALSE(host.status.isEmpty());
    EXPECT_TRUE(host.status.last().startsWith(QStringLiteral("1 finished, 1 failed")));
    EXPECT_EQ(host.link, WithTrailingSeparator(out.Path()));
    EXPECT_TRUE(host.messages.isEmpty());
}

TEST(BatchStore, TheListAndTheSettingsComeBackAsTheyWereWritten)
{
    CQVTestFolder folder{"vantrel-batch"};
    const std::string path = folder / "batch.xml";
    tagQVStoredBatch batch;
    tagQVBatchRow row;
    row.source = "/clips/été & <b>.mp4";
    row.dDuration = 12.34;
    row.nSourceWidth = 1080;
    row.nSourceHeight = 1920;
    row.turn.bTranspose = row.turn.bFlipY = true;
    row.turn.dRequestedDegrees = 90;
    row.bCropEnabled = 1;
    row.nCropX = 3;
    row.nCropY = 5;
    row.nCropWidth = 401;
    row.nCropHeight = 299;
    row.dStartTime = 1.5;
    row.dEndTime = 9.25;
    row.dPlaybackRate = 0.5;
    row.eState = ERowState::Failed;
    row.reason = "the engine could not convert this file";
    row.outputPath = "/out/(output001)x.mp4";
    batch.rows = {row, tagQVBatchRow()};
    batch.rows[1].source = "/clips/second.mkv";
    batch.rows[1].eState = ERowState::Finished;
    batch.settings = DefaultPresets(PresetTable::FrontEnd)[2];
    batch.settings->nOutputFormat = kOutputMkv;
    ASSERT_TRUE(WriteBatchFile(path, batch));
    EXPECT_FALSE(PathExists(path + ".new"));

    tagQVStoredBatch read;
    ASSERT_EQ(ReadBatchFile(path, &read), EBatchRead::Read);
    ASSERT_EQ(read.rows.size(), 2u);
    const tagQVBatchRow& back = read.rows[0];
    EXPECT_EQ(back.source, row.source);
    EXPECT_EQ(back.dDuration, row.dDuration);
    EXPECT_EQ(std::make_tuple(back.nSourceWidth, back.nSourceHeight, back.turn.bTranspose,
                              back.turn.bFlipX, back.turn.bFlipY, back.turn.dRequestedDegrees),
              std::make_tuple(1080, 1920, true, false, true, 90.0));
    EXPECT_EQ(std::make_tuple(back.bCropEnabled, back.nCropX, back.nCropY, back.nCropWidth,
                              back.nCropHeight),
              std::make_tuple(1, 3, 5, 401, 299));
    EXPECT_EQ(std::make_tuple(back.dStartTime, back.dEndTime, back.dPlaybackRate),
              std::make_tuple(1.5, 9.25, 0.5));
    EXPECT_EQ(back.eState, ERowState::Failed);
    EXPECT_EQ(back.reason, row.reason);
    EXPECT_EQ(back.outputPath, row.outputPath);
    EXPECT_EQ(read.rows[1].eState, ERowState::Finished);
    ASSERT_TRUE(read.settings.has_value());
    EXPECT_EQ(std::memcmp(&*read.settings, &*batch.settings, sizeof(tagQVOutputSettings)), 0);

    // Restored: the finished and failed rows as they were, MP4 for a type this build lacks.
    batch.settings->nOutputFormat = 99;
    ASSERT_TRUE(WriteBatchFile(path, batch));
    tagQVStoredBatch restored;
    const tagQVRestoreNotes notes = RestoreBatch(path, "/no/engine", &restored);
    EXPECT_EQ(restored.rows[0].eState, ERowState::Failed);
    EXPECT_EQ(restored.rows[1].eState, ERowState::Finished);
    EXPECT_EQ(restored.settings->nOutputFormat, kOutputMp4);
    EXPECT_EQ(notes.lines, QStringList{"The saved output format is not offered by this version; "
                                       "MP4 is used."});
}

TEST(BatchStore, ADamagedOrLaterFileIsPutAsideAndTheListStartsEmpty)
{
    CQVTestFolder folder{"vantrel-batch"};
    const std::string path = folder / "batch.xml";
    // A file of a later version than this build reads.
    CQVXmlDocument document;
    WriteKeyValue(document.AppendElement(KeyName("VantrelBatch")), "nVersion",
                  kBatchFileVersion + 1);
    const std::string later = document.Serialize(XmlSaveMode::Utf16Le);
    for (const std::string& bytes : {std::string("<VantrelBatch nVersion=\"1\"><row"), later})
    {
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        tagQVStoredBatch batch;
        batch.rows.resize(1);
        const tagQVRestoreNotes notes = RestoreBatch(path, "/no/engine", &batch);
        EXPECT_TRUE(batch.rows.empty());
        EXPECT_FALSE(batch.settings.has_value());
        EXPECT_FALSE(PathExists(path));
        std::string aside;
        ASSERT_TRUE(ReadFileBytes(path + ".damaged", &aside)) << "kept for the user";
        EXPECT_EQ(aside, bytes);
        ASSERT_EQ(notes.lines.size(), 1);
        EXPECT_TRUE(notes.lines[0].startsWith(QStringLiteral("The saved list could not be read")));
    }
}

TEST_F(BatchTest, AfterAKillDuringARenderTheEngineIsEndedItsPartialFileGoesAndTheRowIsReady)
{
    const std::string path = m_config / "vantrel/batch.xml";
    CQVBatchKeeper keeper(&model, &FrontEndGlobals().outputSettings, path);
    model.AppendRows({ProbedRow(Clip("long.mp4", 30)), ProbedRow(Clip("a.mp4", 1))});
    CQVRenderFlow flow(&model, &host, &FrontEndGlobals());
    ASSERT_TRUE(flow.StartInFolder(out.Path()));
    ASSERT_TRUE(WaitFor([&] { return model.Row(0)->dPercent > 0 && !PartFiles().empty(); }, 30000));
    const pid_t engine = flow.EnginePid();
    ASSERT_GT(engine, 0);

    // The file as a front-end killed now leaves it, with a row whose source went meanwhile
    // and one that claims an engine that is not ours.
    tagQVStoredBatch left;
    ASSERT_EQ(ReadBatchFile(path, &left), EBatchRead::Read);
    ASSERT_EQ(left.rows[0].eState, ERowState::Rendering);
    EXPECT_EQ(left.rows[0].nEnginePid, engine);
    const pid_t stranger = SpawnDetached("/bin/sleep", {"30"});
    ASSERT_GT(stranger, 0);
    tagQVBatchRow gone = left.rows[1];
    gone.source = out / "gone.mp4";
    tagQVBatchRow foreign = left.rows[1];
    foreign.eState = ERowState::Rendering;
    foreign.nEnginePid = stranger;
    left.rows.push_back(gone);
    left.rows.push_back(foreign);
    const std::string snapshot = m_config / "left.xml";
    ASSERT_TRUE(WriteBatchFile(snapshot, left));

    tagQVStoredBatch restored;
    const tagQVRestoreNotes notes = RestoreBatch(snapshot, EngineFile(), &restored);
    EXPECT_EQ(notes.nEnginesEnded, 1);
    EXPECT_TRUE(FindOwnProcesses(EngineFile()).empty()) << "no orphan engine";
    EXPECT_TRUE(PartFiles().empty()) << "no partial file";
    ASSERT_EQ(restored.rows.size(), 4u);
    EXPECT_EQ(restored.rows[0].eState, ERowState::Ready);
    EXPECT_EQ(restored.rows[0].nEnginePid, 0);
    EXPECT_EQ(restored.rows[1].eState, ERowState::Ready);
    EXPECT_EQ(restored.rows[2].eState, ERowState::Missing);
    EXPECT_EQ(restored.rows[3].eState, ERowState::Ready);
    EXPECT_EQ(kill(stranger, 0), 0) << "a process that is not our engine is left alone";
    EXPECT_EQ(notes.lines, QStringList{"1 saved file is missing: not rendered"});
    TerminateProcess(stranger);
    WaitForProcess(stranger, 5000, nullptr);
    flow.Stop();
}

// The real program started over a kept list: the rows as they were, a missing source,
// MP4 for an unknown type, and files handed over by a second copy after the restored rows.
class XServerRestore : public CRealProgramTest
{
};

TEST_F(XServerRestore, TheListComesBackAndHandedFilesFollowIt)
{
    if (IsSkipped())
        return;
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X server: run under xvfb-run";
    const std::string path = m_config / "vantrel/batch.xml";
    tagQVStoredBatch batch;
    batch.rows = {ProbedRow(Clip("a.mp4", 1)), ProbedRow(Clip("b.mp4", 1)),
                  ProbedRow(Clip("a.mp4", 1)), ProbedRow(Clip("c.mp4", 1))};
    batch.rows[0].eState = ERowState::Finished;
    batch.rows[0].dPercent = 100;
    batch.rows[1].eState = ERowState::Failed;
    batch.rows[1].reason = "the engine could not convert this file";
    batch.rows[2].source = m_config / "gone.mp4";
    batch.rows[3].bCropEnabled = 1;
    batch.rows[3].nCropX = 40;
    batch.rows[3].nCropWidth = 200;
    batch.rows[3].nCropHeight = 240;
    batch.settings = DefaultPresets(PresetTable::FrontEnd)[4];
    batch.settings->nOutputFormat = 99;
    ASSERT_TRUE(WriteBatchFile(path, batch));

    const std::string program = VANTREL_BUILT_FRONTEND;
    m_pid = SpawnDetached(program);
    ASSERT_GT(m_pid, 0);
    QString window;
    ASSERT_TRUE(WaitUntil(
        [&]
        {
            QProcess find;
            find.start("xdotool", {"search", "--onlyvisible", "--name", "^Vantrel$"});
            find.waitForFinished(5000);
            window = QString::fromUtf8(find.readAllStandardOutput()).trimmed();
            return !window.isEmpty();
        },
        10000));
    const pid_t second = SpawnDetached(program, {Clip("d.mp4", 1)});
    ASSERT_TRUE(WaitForProcess(second, 10000, nullptr));
    // The handed file is written into the list as soon as it is added.
    ASSERT_TRUE(WaitUntil(
        [&]
        {
            tagQVStoredBatch now;
            return ReadBatchFile(path, &now) == EBatchRead::Read && now.rows.size() == 5;
        },
        10000));
    QThread::msleep(500);
    QProcess geometry;
    geometry.start("xdotool", {"getwindowgeometry", "--shell", window});
    geometry.waitForFinished(5000);
    int x = 0, y = 0;
    for (const QString& line : QString::fromUtf8(geometry.readAllStandardOutput()).split('\n'))
    {
        if (line.startsWith("X="))
            x = line.mid(2).toInt();
        if (line.startsWith("Y="))
            y = line.mid(2).toInt();
    }
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0, x, y, 1000, 650).toImage();
    shot.save(QString::fromStdString(ProgramFolder() + "main-window-restored.png"));
    EndProgram(m_pid);
    m_pid = -1;

    tagQVStoredBatch after;
    ASSERT_EQ(ReadBatchFile(path, &after), EBatchRead::Read);
    ASSERT_EQ(after.rows.size(), 5u);
    const ERowState expected[] = {ERowState::Finished, ERowState::Failed, ERowState::Missing,
                                  ERowState::Ready, ERowState::Ready};
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(after.rows[i].eState, expected[i]) << i;
    EXPECT_EQ(after.rows[3].nCropX, 40);
    EXPECT_EQ(after.rows[4].source, Clip("d.mp4", 1));
    ASSERT_TRUE(after.settings.has_value());
    EXPECT_EQ(after.settings->nOutputFormat, kOutputMp4);
}
