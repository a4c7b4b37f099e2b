#include "ProjectTestSupport.h"
#include "project/CQVProjectReader.h"
#include "project/FrontEndProject.h"
#include "project/ProjectWriter.h"

#include <gtest/gtest.h>

namespace qv
{
namespace
{

using projecttest::CScratchFolder;
using projecttest::DataPath;
using projecttest::ReadAll;

// The row behind the hand-written one_cropped_video.qvprj.
tagQVJobRow GoldenRow()
{
    tagQVJobRow row;
    row.source = "/srv/clips/sun & sea <2019>.mts";
    row.dDuration = 12.3456789;
    row.dStartTime = 1.5;
    row.dEndTime = 10.25;
    row.dAudioDelay = 0.2;
    row.dVoiceScale = 0.8;
    row.dPlaybackRate = 1.5;
    row.bHadAudio = 1;
    row.nVideoWidth = 642;
    row.nVideoHeight = 362;
    row.bCropped = true;
    row.crop.xcrop = 4;
    row.crop.ycrop = 2;
    row.crop.wcrop = 636;
    row.crop.hcrop = 356;
    return row;
}

std::string Utf8Text(const ProjectTimeline& project, int32_t nPreset = 4)
{
    CQVXmlDocument document;
    BuildProjectDocument(project, nPreset, nullptr, &document);
    return document.Serialize(XmlSaveMode::Utf8);
}

const CQVXmlNode& FirstItem(const CQVXmlDocument& document)
{
    return *document.FirstChildElement(u"project")
                ->FirstChildElement(u"line")
                ->FirstChildElement(u"item");
}

TEST(ProjectWriter, OneCroppedVideoMatchesTheGoldenFileByteForByte)
{
    CScratchFolder folder;
    const std::string path = folder / "qvengine.qvprj";
    ASSERT_TRUE(WriteProjectFile(BuildJobProject(GoldenRow(), 1024), 4, path));
    const std::string written = ReadAll(path);
    const std::string golden = ReadAll(DataPath("one_cropped_video.qvprj"));
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(written, golden);
}

TEST(ProjectWriter, WritesTheSameUnderALocaleWithADecimalComma)
{
    if (!projecttest::UseCommaDecimalLocale())
        GTEST_SKIP() << "no locale with a decimal comma on this machine";
    CScratchFolder folder;
    const std::string path = folder / "qvengine.qvprj";
    const bool written = WriteProjectFile(BuildJobProject(GoldenRow(), 1024), 4, path);
    projecttest::UseClassicLocale();
    ASSERT_TRUE(written);
    EXPECT_EQ(ReadAll(path), ReadAll(DataPath("one_cropped_video.qvprj")));
}

TEST(ProjectWriter, NoCropRecordMeansNoCropAttributes)
{
    tagQVJobRow row = GoldenRow();
    row.bCropped = false;
    const std::string text = Utf8Text(BuildJobProject(row, 1));
    EXPECT_EQ(text.find("crop"), std::string::npos);
    EXPECT_EQ(text.find("Border"), std::string::npos);
    EXPECT_EQ(text.find("rotation"), std::string::npos);
    EXPECT_EQ(text.find("VideoKey"), std::string::npos);
    EXPECT_EQ(text.find("Mask"), std::string::npos);
}

TEST(ProjectWriter, FadesAreFittedIntoTheItemOnlyInTheFile)
{
    struct Case
    {
        double dIn, dOut, dExpectedIn, dExpectedOut;
    } cases[] = {
        {1.0, 1.0, 1.0, 1.0}, // fits
        {3.0, 9.0, 1.0, 3.0}, // both scaled by 4 / 12
        {6.0, 0.0, 4.0, 0.0}, // only fade-in
        {0.0, 5.0, 0.0, 4.0}, // only fade-out
    };
    for (const Case& c : cases)
    {
        tagQVJobRow row = GoldenRow();
        row.dStartTime = 0.0;
        row.dEndTime = 4.0;
        row.dPlaybackRate = 1.0;
        ProjectTimeline project = BuildJobProject(row, 1);
        tagQVMediaData& item = *project.lines[0].items[0];
        item.bEnableAudioEffect = 1;
        item.dAudioFadeInDuration = c.dIn;
        item.dAudioFadeOutDuration = c.dOut;
        CQVXmlDocument document;
        BuildProjectDocument(project, 0, nullptr, &document);
        const CQVXmlNode& written = FirstItem(document);
        EXPECT_EQ(written.GetInt(u"bEnableAudioEffect", -1), 1);
        EXPECT_DOUBLE_EQ(written.GetDouble(u"dAudioFadeInDuration", -1), c.dExpectedIn);
        EXPECT_DOUBLE_EQ(written.GetDouble(u"dAudioFadeOutDuration", -1), c.dExpectedOut);
        EXPECT_EQ(item.dAudioFadeInDuration, c.dIn); // the model keeps its values
    }
}

TEST(ProjectWriter, ItemsWithoutSoundCarryNoFadeAttributes)
{
    tagQVJobRow row = GoldenRow();
    row.bHadAudio = 0;
    const std::string text = Utf8Text(BuildJobProject(row, 1));
    EXPECT_EQ(text.find("Fade"), std::string::npos);
    EXPECT_EQ(text.find("bEnableAudioEffect"), std::string::npos);
    EXPECT_NE(text.find("bHadAudio=\"0\""), std::string::npos);
}

TEST(ProjectWriter, LineTypesDecideWhatIsWritten)
{
    ProjectTimeline project;
    auto add = [&](int32_t type)
    {
        TimelineLine& line = project.AddLine(type);
        auto item = std::make_unique<tagQVMediaData>();
        item->eMediaTypeLine = type;
        item->source = "/s.wav";
        line.items.push_back(std::move(item));
    };
    add(1);  // audio: source, no 3D placement, no group settings
    add(5);  // title: margin, group settings, no source
    add(15); // counts twice, has a source
    add(32); // camera
    add(7);  // bottom titles: margin, but no group settings
    CQVXmlDocument document;
    BuildProjectDocument(project, 3, nullptr, &document);
    const CQVXmlNode* root = document.FirstChildElement(u"project");
    EXPECT_EQ(root->GetInt(u"count", -1), 6);
    EXPECT_EQ(root->GetInt(u"vensettingIndex", -1), 3);
    EXPECT_EQ(root->Attributes().back().first, u"count");

    const CQVXmlNode* audio = root->FirstChildElement(u"line");
    const CQVXmlNode* title = audio->NextSiblingElement();
    const CQVXmlNode* twice = title->NextSiblingElement();
    const CQVXmlNode* camera = twice->NextSiblingElement();
    ASSERT_NE(camera, nullptr);
    EXPECT_FALSE(audio->HasAttribute(u"subtitlebottommargin"));
    EXPECT_EQ(title->GetInt(u"subtitlebottommargin", -1), 10);
    EXPECT_EQ(title->Attributes().back().first, u"subtitlebottommargin");

    const CQVXmlNode* audioItem = audio->FirstChildElement(u"item");
    EXPECT_FALSE(audioItem->HasAttribute(u"dxAngle"));
    EXPECT_EQ(audioItem->FirstChildElement(u"_3DGroupSettings"), nullptr);
    EXPECT_EQ(audioItem->FirstChildElement(u"source")->TextUtf8(), "/s.wav");

    const CQVXmlNode* titleItem = title->FirstChildElement(u"item");
    EXPECT_TRUE(titleItem->HasAttribute(u"dxAngle"));
    EXPECT_NE(titleItem->FirstChildElement(u"_3DGroupSettings"), nullptr);
    EXPECT_EQ(titleItem->FirstChildElement(u"source"), nullptr);

    EXPECT_NE(twice->FirstChildElement(u"item")->FirstChildElement(u"source"), nullptr);
    EXPECT_FALSE(camera->FirstChildElement(u"item")->HasAttribute(u"dxAngle"));
    const CQVXmlNode* bottom = camera->NextSiblingElement();
    ASSERT_NE(bottom, nullptr);
    EXPECT_EQ(bottom->GetInt(u"subtitlebottommargin", -1), 10);
    EXPECT_EQ(bottom->FirstChildElement(u"item")->FirstChildElement(u"_3DGroupSettings"), nullptr);
}

TEST(ProjectWriter, EditorViewStateComesFirstWhenGiven)
{
    ProjectTimeline project = BuildJobProject(GoldenRow(), 1);
    tagQVEditorViewState view;
    view.dCurFrameTime = 2.5;
    view.nEditMode = 3;
    CQVXmlDocument document;
    BuildProjectDocument(project, 4, &view, &document);
    const auto& attributes = document.FirstChildElement(u"project")->Attributes();
    ASSERT_GE(attributes.size(), 6u);
    EXPECT_EQ(attributes[0].first, u"dCurFrameTime");
    EXPECT_EQ(attributes[0].second, u"2.5");
    EXPECT_EQ(attributes[2].first, u"nEditMode");
    EXPECT_EQ(attributes[4].first, u"nVerticalPos");
    EXPECT_EQ(attributes[5].first, u"dScaleFactorForPlay");
    EXPECT_EQ(attributes[5].second, u"1");

    // A preview drawn smaller than the output carries its scale exactly.
    BuildProjectDocument(project, 4, nullptr, &document, 0.3231);
    EXPECT_EQ(document.FirstChildElement(u"project")->GetString(u"dScaleFactorForPlay", u""),
              u"0.3231");
}

TEST(ProjectWriter, UnwritablePathFails)
{
    CScratchFolder folder;
    EXPECT_FALSE(
        WriteProjectFile(BuildJobProject(GoldenRow(), 1), 4, folder / "no/such/dir.qvprj"));
}

// Every optional record written by the writer comes back through the engine's reader.
TEST(ProjectWriter, OptionalRecordsSurviveAWriteAndRead)
{
    CScratchFolder folder;
    // Angle brackets and quotes in a path attribute: the quote would end the value early.
    const std::string fill = folder / "fill <1> \"q\".png";
    projecttest::WriteAll(fill, "x");

    ProjectTimeline project = BuildJobProject(GoldenRow(), 3);
    tagQVMediaData& item = *project.lines[0].items[0];
    item.pRotation = std::make_unique<tagQVRotationData>();
    item.pRotation->rotationangle = 270;
    item.pRotation->rotationflip = 1;
    item.pBorder = std::make_unique<tagQVBorderData>();
    item.pBorder->BorderColor = 0x123456;
    item.pBorder->BorderSize = 9;
    item.pVideoKey = std::make_unique<tagQVVideoKeyData>();
    item.pVideoKey->VideoKeyColor = 0x00FF00;
    item.pVideoKey->VideoKeyErrorDel = 30;
    ComputeKeyBounds(item.pVideoKey.get());
    item.pMask = std::make_unique<tagQVMaskData>();
    item.pMask->MasknType = 5;
    item.pMask->MaskdMovementTimeDur = 2.5;
    item.pMask->MaskszImageFill = fill;
    item.pColorAdjustment = std::make_unique<tagQVColorAdjustment>();
    item.pColorAdjustment->bEnableMasaic = 1;
    item.pColorAdjustment->nMasaicX = 12;
    item.pColorAdjustment->dColorizeBlend = 0.25;
    item.pColorBlock = std::make_unique<tagQVColorBlock>();
    item.pColorBlock->clr = 0xABCDEF;
    item.snapshots.resize(2);
    item.snapshots[1].dCaptureTime = 3.5;
    item.snapshots[1].dDuration = 1.25;
    item.bEnableAudioEffect = 1;
    item.dAudioFadeInDuration = 0.5;
    item.groupSettings.nWidth = 33;

    const std::string path = folder / "p.qvprj";
    ASSERT_TRUE(WriteProjectFile(project, 4, path));

    CQVOutputSettingsTable table(PresetTable::Engine);
    tagQVProjectReadContext context;
    context.pOutputSettings = &table;
    ProjectTimeline engine;
    ASSERT_EQ(CQVProjectReader(&context).ReadFile(path, &engine), ProjectReadResult::Loaded);
    const TimelineLine* main = engine.FindLine(0);
    ASSERT_EQ(main->items.size(), 1u);
    // The file holds six significant digits; the row's times are exact at that precision
    // except the editor end (5.83333...), so compare it apart.
    EXPECT_NEAR(main->items[0]->dEditorEndTime, item.dEditorEndTime, 1e-5);
    main->items[0]->dEditorEndTime = item.dEditorEndTime;
    item.dVSelfDuration = item.dASelfDuration = 12.3457;
    main->items[0]->dVSelfDuration = main->items[0]->dASelfDuration = 12.3457;
    EXPECT_EQ(projecttest::DumpItem(*main->items[0]), projecttest::DumpItem(item));
}

} // namespace
} // namespace qv
