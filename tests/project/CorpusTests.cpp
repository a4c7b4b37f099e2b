// Every kept fuzz input goes through the loaders and the project reader again: no crash,
// no hang, and a result that is one of the defined ones with a sound model behind it.
#include "ProjectTestSupport.h"
#include "project/CQVProjectReader.h"
#include "project/CQVTinyXmlDocument.h"
#include "project/CQVXmlDocument.h"

#include <algorithm>
#include <cmath>
#include <dirent.h>
#include <gtest/gtest.h>

namespace qv
{
namespace
{

std::vector<std::string> CorpusFiles()
{
    std::vector<std::string> files;
    const std::string folder = projecttest::CorpusFolder();
    if (DIR* dir = opendir(folder.c_str()))
    {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                files.push_back(folder + "/" + entry->d_name);
        closedir(dir);
    }
    std::sort(files.begin(), files.end());
    return files;
}

void ExpectSoundLine(const TimelineLine& line, int32_t type)
{
    for (const auto& item : line.items)
    {
        EXPECT_EQ(item->eMediaTypeLine, type);
        EXPECT_GE(item->dPlaybackRate, 0.01);
        for (double value : {item->dEditorStartTime, item->dEditorEndTime, item->dVSelfStartTime,
                             item->dASelfEndTime, item->dAudioDelay, item->dVoiceScale})
        {
            EXPECT_TRUE(std::isfinite(value));
            EXPECT_LE(std::fabs(value), CQVProjectReader::kMaxMagnitude);
        }
    }
}

TEST(FuzzCorpus, EveryKeptInputHasADefinedOutcome)
{
    const std::vector<std::string> files = CorpusFiles();
    ASSERT_FALSE(files.empty()) << projecttest::CorpusFolder();
    for (const std::string& path : files)
    {
        SCOPED_TRACE(path);
        CQVXmlDocument own;
        const bool ownLoaded = own.Load(path);
        if (ownLoaded)
        {
            // What loads serialises and loads again to the same text.
            const std::string text = own.Serialize(XmlSaveMode::Utf16Le);
            CQVXmlDocument again;
            EXPECT_TRUE(again.LoadBytes(text));
            EXPECT_EQ(again.Serialize(XmlSaveMode::Utf16Le), text);
        }
        CQVTinyXmlDocument tiny;
        tiny.Load(path);

        for (int32_t preview : {0, 1})
        {
            CQVOutputSettingsTable table(PresetTable::Engine);
            tagQVProjectReadContext context;
            context.bPreviewRun = preview;
            context.pOutputSettings = &table;
            ProjectTimeline timeline = ProjectTimeline::CreateEngineLines();
            const ProjectReadResult result = CQVProjectReader(&context).ReadFile(path, &timeline);
            EXPECT_TRUE(result == ProjectReadResult::Loaded ||
                        result == ProjectReadResult::LoadedByFallback ||
                        result == ProjectReadResult::Rejected ||
                        result == ProjectReadResult::Unreadable);
            ASSERT_EQ(timeline.lines.size(), 47u);
            for (const TimelineLine& line : timeline.lines)
            {
                ExpectSoundLine(line, line.eMediaTypeLine);
                if (!line.items.empty() && line.nMaxItemWidth != 0)
                {
                    EXPECT_EQ(line.nMaxItemWidth % 4, 0);
                    EXPECT_GE(line.nMaxItemHeight, 4);
                }
            }
            ExpectSoundLine(timeline.secondLine, 0);
            EXPECT_TRUE(std::isfinite(timeline.Length()));
            if (IsLoaded(result))
            {
                EXPECT_GE(context.nOutputWidth, 0);
                EXPECT_GE(context.nOutputHeight, 0);
                if (preview)
                {
                    EXPECT_EQ(context.nOutputWidth % 4, 0);
                }
            }
        }
    }
}

} // namespace
} // namespace qv
