// The front-end's side of the control block: it creates the block, writes the start
// orders and removes the block when it exits.
#pragma once

#include "protocol/SharedControlBlock.h"
#include "platform/SharedMapping.h"

#include <string>

namespace qv
{

class CQVControlBlockOwner
{
public:
    ~CQVControlBlockOwner() { Destroy(); }

    // Creates the block, maps it and fills it with zeros. False when it cannot.
    bool Create();
    // Unmaps the block and removes its name.
    void Destroy();

    SharedControlBlock* Block() const { return static_cast<SharedControlBlock*>(m_mapping.Data()); }

    // The block part of a conversion start, in the protocol's order. The caller then writes
    // the output settings file and the project file and starts the engine.
    // False, with nothing written, when the block is not mapped or the output path does
    // not fit its field (259 units at most) or is not valid UTF-8.
    bool StartConversion(const std::string& outputPath, int32_t nPresetIndex);

    // The block part of a preview start, after the project and settings files are written.
    bool StartPreview(int32_t nPresetIndex, double dPreviewLength);
    // Right before each preview engine start (also a restart from the preview dialog).
    bool PreparePreviewHost(uint32_t hPreviewHost);

    // Stop a preview: state 0 (the caller then ends the engine process).
    void StopPreview();

private:
    CQVSharedMapping m_mapping;
};

} // namespace qv
