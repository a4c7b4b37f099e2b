// What the conversion graph and the preview graph share in their interface: the graph
// states and the receiver of the end of the stream.
#pragma once

#include <cstdint>
#include <functional>

namespace qv
{

// A graph's state, as the graphs and their owners (converter, preview player) report it.
// kQVGraphNone is the owners' own: no graph is built.
enum : int32_t
{
    kQVGraphStopped = 0,
    kQVGraphPaused = 1,
    kQVGraphRunning = 2,
    kQVGraphNone = 3,
};

class CQVGraphStates
{
public:
    // Receives the end of the stream once: an event code of CQVMediaEventQueue.h and its
    // first parameter. Called on a streaming thread (or the preview renderer's watcher).
    using EventSink = std::function<void(int32_t nCode, intptr_t nParam)>;
};

} // namespace qv
