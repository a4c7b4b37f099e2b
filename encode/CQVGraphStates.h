// What the conversion graph and the preview graph share in their interface: the three
// graph states and the receiver of the end of the stream.
#pragma once

#include <cstdint>
#include <functional>

namespace qv
{

class CQVGraphStates
{
public:
    enum : int32_t
    {
        kStateStopped = 0,
        kStatePaused = 1,
        kStateRunning = 2,
    };

    // Receives the end of the stream once: an event code of CQVMediaEventQueue.h and its
    // first parameter. Called on a streaming thread (or the preview renderer's watcher).
    using EventSink = std::function<void(int32_t nCode, intptr_t nParam)>;
};

} // namespace qv
