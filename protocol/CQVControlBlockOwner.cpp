#include "protocol/CQVControlBlockOwner.h"

#include "project/TextCodec.h"

#include <cstring>

namespace qv
{

bool CQVControlBlockOwner::Create()
{
    return m_mapping.Create(kControlBlockName, kControlBlockSize);
}

void CQVControlBlockOwner::Destroy()
{
    if (!m_mapping.IsMapped())
        return;
    m_mapping.Unmap();
    CQVSharedMapping::Remove(kControlBlockName);
}

bool CQVControlBlockOwner::StartConversion(const std::string& outputPath, int32_t nPresetIndex)
{
    SharedControlBlock* block = Block();
    std::u16string units;
    if (!block || !Utf8ToUtf16(outputPath, &units) || units.size() >= kBlockPathUnits)
        return false;
    std::memset(block->szSourcePath, 0, sizeof block->szSourcePath);
    WriteBlockPath(block->szOutputPath, outputPath);
    block->bPreviewRun = 0;
    block->dPosition = 0.0;
    block->dReserved40 = 0.0;
    block->nState = kStateRunning;
    block->nReserved28 = 0;
    block->bConvertJob = 1;
    block->bStartConvert = 0;
    block->nPresetIndex = nPresetIndex;
    block->dPosition = 0.0;
    block->bStartConvert = 1;
    return true;
}

bool CQVControlBlockOwner::StartPreview(int32_t nPresetIndex, double dPreviewLength)
{
    SharedControlBlock* block = Block();
    if (!block)
        return false;
    block->bShowPreview = 1;
    block->bPreviewRun = 1;
    block->dPosition = 0.0;
    block->dPreviewLength = dPreviewLength;
    block->bGraphRunning = 0;
    block->nPresetIndex = nPresetIndex;
    block->nState = kStatePreviewRequested;
    block->bConvertJob = 0;
    return true;
}

bool CQVControlBlockOwner::PreparePreviewHost(uint32_t hPreviewHost)
{
    SharedControlBlock* block = Block();
    if (!block)
        return false;
    block->nOverrideBitrate = static_cast<int32_t>(hPreviewHost);
    block->bGraphRunning = 0;
    block->bPreviewFailed = 0;
    return true;
}

void CQVControlBlockOwner::StopPreview()
{
    if (SharedControlBlock* block = Block())
        block->nState = kStateIdle;
}

} // namespace qv
