// The preview's picture output: a plain Xlib child window inside the host window (the
// front-end's preview dialog, named by its X11 window id), showing each picture 1:1 with
// XPutImage. The child selects no input, so clicks on it reach the host; it watches only
// its own destruction, which comes when the host goes away, and its exposure, which it
// answers with the last picture.
//
// One connection of its own to the X server; every Xlib call on it runs under one lock,
// from the streaming thread (Show), the control thread (Open, Place, Close) and the
// renderer's watcher thread (events).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace qv
{

// A window rectangle in the host's coordinates.
struct tagQVWindowRect
{
    int x = 0;
    int y = 0;
    int nWidth = 0;
    int nHeight = 0;
};

// Results of the renderer besides 0.
enum : int32_t
{
    kQVVideoNoDisplay = -2,    // no X server can be reached (DISPLAY unset or refused)
    kQVVideoBadHost = -3,      // the host id names no window
    kQVVideoBadVisual = -4,    // the host's visual is not 24- or 32-bit true colour
    kQVVideoWindowFailed = -5, // the child window could not be made or placed
    kQVVideoHostGone = -6,     // the host window or the connection has gone
};

class CQVVideoRenderer
{
public:
    // Called once, on the watcher thread, when the host window or the connection goes.
    using HostGoneSink = std::function<void()>;

    CQVVideoRenderer() = default;
    ~CQVVideoRenderer() { Close(); }
    CQVVideoRenderer(const CQVVideoRenderer&) = delete;
    CQVVideoRenderer& operator=(const CQVVideoRenderer&) = delete;

    // Connects, checks the host and reads its size, and makes the child window (not yet
    // shown) for pictures of nWidth x nHeight. Returns 0 or a kQVVideo... code; on failure
    // nothing stays open. The sink may be empty.
    int32_t Open(uint32_t hHost, int nWidth, int nHeight, HostGoneSink onHostGone);
    void Close();
    bool IsOpen() const { return m_pDisplay != nullptr; }

    // The host window's size when Open read it.
    int HostWidth() const { return m_nHostWidth; }
    int HostHeight() const { return m_nHostHeight; }

    // Places the child window; the picture's top-left corner sits at (nPictureX,
    // nPictureY) inside it and whatever falls outside the window is clipped. An empty
    // rectangle hides the window. Returns 0 or a kQVVideo... code.
    int32_t Place(const tagQVWindowRect& rect, int nPictureX, int nPictureY);

    // Shows a picture of the Open size: 32-bit blue-green-red-alpha pixels, rows bottom
    // row first, stride width x 4. Returns 0 or kQVVideoHostGone.
    int32_t Show(const uint8_t* pBottomUp);

    bool HostGone() const { return m_bHostGone.load(); }
    uint32_t WindowId() const { return static_cast<uint32_t>(m_nWindow); }

private:
    void WatchLoop();
    void PutPictureLocked();
    void MarkGone();
    bool SyncLocked(); // true when no X error came back
    void ReleaseLocked();

    friend struct CQVXErrorRouting;

    std::mutex m_lock;
    void* m_pDisplay = nullptr; // Display*
    unsigned long m_nWindow = 0;
    void* m_pImage = nullptr; // XImage* over m_pixels
    void* m_pGc = nullptr;    // GC
    int m_nDepth = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nHostWidth = 0;
    int m_nHostHeight = 0;
    int m_nPictureX = 0;
    int m_nPictureY = 0;
    bool m_bHasPicture = false;
    std::vector<uint8_t> m_pixels; // the last picture, top row first, as the server takes it
    HostGoneSink m_onHostGone;

    // --- set by the X error handlers, which run inside Xlib calls made under m_lock
    std::atomic<int> m_nXError{0}; // the last protocol error code
    std::atomic<bool> m_bConnectionLost{false};
    bool m_bWindowDestroyed = false;

    std::thread m_watcher;
    std::atomic<bool> m_bStopWatching{false};
    std::atomic<bool> m_bHostGone{false};
    int m_nWakeRead = -1; // the watcher's wake-up pipe
    int m_nWakeWrite = -1;
};

} // namespace qv
