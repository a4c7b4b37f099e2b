#include "platform/SharedMapping.h"
#include "protocol/CQVControlBlockOwner.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace qv;

namespace
{

std::u16string FieldText(const char16_t (&field)[kBlockPathUnits])
{
    size_t n = 0;
    while (n < kBlockPathUnits && field[n])
        ++n;
    return std::u16string(field, n);
}

} // namespace

TEST(ControlBlockPaths, FitUpTo259UnitsAndAreRefusedBeyond)
{
    SharedControlBlock block;
    std::memset(&block, 0x55, sizeof block);

    std::string fits(259, 'a');
    ASSERT_TRUE(WriteBlockPath(block.szOutputPath, fits));
    EXPECT_EQ(block.szOutputPath[258], u'a');
    EXPECT_EQ(block.szOutputPath[259], 0);
    EXPECT_EQ(ReadBlockPath(block.szOutputPath), fits);

    ASSERT_TRUE(WriteBlockPath(block.szOutputPath, "/short"));
    for (size_t i = 6; i < kBlockPathUnits; ++i)
        ASSERT_EQ(block.szOutputPath[i], 0) << "no tail of the earlier path at " << i;

    EXPECT_FALSE(WriteBlockPath(block.szOutputPath, std::string(260, 'b')));
    EXPECT_EQ(ReadBlockPath(block.szOutputPath), "") << "a refused path is not cut";
    EXPECT_EQ(block.szSourcePath[0], 0x5555) << "the neighbour field is untouched";
}

TEST(ControlBlockPaths, AreUtf16LittleEndianAndKeepNonAscii)
{
    SharedControlBlock block;
    std::string path = "/home/us er/vidéo \"1\" 😀.mp4";
    ASSERT_TRUE(WriteBlockPath(block.szOutputPath, path));
    EXPECT_EQ(FieldText(block.szOutputPath), u"/home/us er/vidéo \"1\" 😀.mp4");
    EXPECT_EQ(ReadBlockPath(block.szOutputPath), path);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&block) + 580;
    EXPECT_EQ(bytes[0], '/');
    EXPECT_EQ(bytes[1], 0);

    // 258 ASCII units plus one character outside the basic plane need 260 units.
    EXPECT_FALSE(WriteBlockPath(block.szOutputPath, std::string(258, 'x') + "😀"));
    EXPECT_FALSE(WriteBlockPath(block.szOutputPath, "bad \xC3"));
}

TEST(ControlBlockPaths, AFullFieldWithoutTerminatorReadsAll260Units)
{
    SharedControlBlock block;
    for (char16_t& unit : block.szSourcePath)
        unit = u'k';
    EXPECT_EQ(ReadBlockPath(block.szSourcePath).size(), kBlockPathUnits);
    block.szSourcePath[3] = 0xD800; // an unpaired surrogate must not break the reader
    block.szSourcePath[4] = 0;
    EXPECT_EQ(ReadBlockPath(block.szSourcePath), "kkk\xEF\xBF\xBD");
}

class ControlBlockOwnerTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_owner.Create()); }
    CQVControlBlockOwner m_owner;
};

TEST_F(ControlBlockOwnerTest, ConversionStartWritesTheOrdersAndClearsThePaths)
{
    SharedControlBlock& block = *m_owner.Block();
    WriteBlockPath(block.szSourcePath, "/stale/source");
    WriteBlockPath(block.szOutputPath, std::string(200, 'o'));
    block.bPreviewRun = 1;
    block.dPosition = 12.5;

    ASSERT_TRUE(m_owner.StartConversion("/out/(output001)clip.mp4", 7));
    EXPECT_EQ(ReadBlockPath(block.szSourcePath), "");
    EXPECT_EQ(ReadBlockPath(block.szOutputPath), "/out/(output001)clip.mp4");
    EXPECT_EQ(block.szOutputPath[30], 0);
    EXPECT_EQ(block.bPreviewRun, 0);
    EXPECT_EQ(block.dPosition, 0.0);
    EXPECT_EQ(block.nState, kStateRunning);
    EXPECT_EQ(block.bConvertJob, 1);
    EXPECT_EQ(block.bStartConvert, 1);
    EXPECT_EQ(block.nPresetIndex, 7);

    // Another process sees the same block under the per-user name.
    CQVSharedMapping engineSide;
    ASSERT_TRUE(engineSide.Open(kControlBlockName, kControlBlockSize));
    EXPECT_EQ(static_cast<SharedControlBlock*>(engineSide.Data())->nPresetIndex, 7);
}

TEST_F(ControlBlockOwnerTest, ATooLongOutputPathWritesNothing)
{
    SharedControlBlock& block = *m_owner.Block();
    EXPECT_FALSE(m_owner.StartConversion(std::string(260, 'p'), 3));
    SharedControlBlock zero;
    std::memset(&zero, 0, sizeof zero);
    EXPECT_EQ(std::memcmp(&block, &zero, sizeof zero), 0);
}

TEST_F(ControlBlockOwnerTest, PreviewRestartClearsTheEarlierFailure)
{
    SharedControlBlock& block = *m_owner.Block();
    ASSERT_TRUE(m_owner.StartPreview(2, 31.5));
    EXPECT_EQ(block.bShowPreview, 1);
    EXPECT_EQ(block.bPreviewRun, 1);
    EXPECT_EQ(block.nState, kStatePreviewRequested);
    EXPECT_EQ(block.dPreviewLength, 31.5);
    EXPECT_EQ(block.bConvertJob, 0);

    block.bPreviewFailed = 1;
    block.bGraphRunning = 1;
    ASSERT_TRUE(m_owner.PreparePreviewHost(0x3A00007u));
    EXPECT_EQ(PreviewHost(block), 0x3A00007u);
    EXPECT_EQ(block.bPreviewFailed, 0);
    EXPECT_EQ(block.bGraphRunning, 0);
    m_owner.StopPreview();
    EXPECT_EQ(block.nState, kStateIdle);
}

TEST(ControlBlockOwner, DestroyRemovesTheBlock)
{
    {
        CQVControlBlockOwner owner;
        ASSERT_TRUE(owner.Create());
    }
    CQVSharedMapping engineSide;
    EXPECT_FALSE(engineSide.Open(kControlBlockName, kControlBlockSize));
}
