#include "preview/CQVVideoRenderer.h"

#include <cstring>
#include <map>
#include <poll.h>
#include <unistd.h>

// Xlib last: its macros (None, Status, Bool) must not reach our headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace qv
{

// Xlib reports errors through process-wide handlers; they are routed to the renderer
// whose connection they came on. The default handlers would print and end the process.
struct CQVXErrorRouting
{
    static std::mutex& Lock()
    {
        static std::mutex lock;
        return lock;
    }
    static std::map<Display*, CQVVideoRenderer*>& Renderers()
    {
        static std::map<Display*, CQVVideoRenderer*> renderers;
        return renderers;
    }
    static XErrorHandler& Previous()
    {
        static XErrorHandler previous = nullptr;
        return previous;
    }

    static int OnError(Display* pDisplay, XErrorEvent* pEvent)
    {
        {
            std::lock_guard<std::mutex> lock(Lock());
            auto found = Renderers().find(pDisplay);
            if (found != Renderers().end())
            {
                found->second->m_nXError = pEvent->error_code;
                return 0;
            }
        }
        return Previous() ? Previous()(pDisplay, pEvent) : 0;
    }

    // Called instead of ending the process when the connection breaks; Xlib refuses every
    // later request on that connection.
    static void OnConnectionLost(Display*, void* pRenderer)
    {
        static_cast<CQVVideoRenderer*>(pRenderer)->m_bConnectionLost = true;
    }
    static int QuietIOError(Display*) { return 0; }

    static void Add(Display* pDisplay, CQVVideoRenderer* pRenderer)
    {
        std::lock_guard<std::mutex> lock(Lock());
        if (Renderers().empty())
        {
            XErrorHandler previous = XSetErrorHandler(&OnError);
            if (previous != &OnError)
                Previous() = previous;
            XSetIOErrorHandler(&QuietIOError);
        }
        Renderers()[pDisplay] = pRenderer;
        XSetIOErrorExitHandler(pDisplay, &OnConnectionLost, pRenderer);
    }
    static void Remove(Display* pDisplay)
    {
        std::lock_guard<std::mutex> lock(Lock());
        Renderers().erase(pDisplay);
    }
};

namespace
{

Display* AsDisplay(void* p)
{
    return static_cast<Display*>(p);
}

// True when the server stores this depth at 32 bits per pixel, as our pictures are.
bool HasFourBytePixels(Display* pDisplay, int nDepth)
{
    int nCount = 0;
    XPixmapFormatValues* pFormats = XListPixmapFormats(pDisplay, &nCount);
    bool bFound = false;
    for (int i = 0; i < nCount; ++i)
        if (pFormats[i].depth == nDepth && pFormats[i].bits_per_pixel == 32)
            bFound = true;
    if (pFormats)
        XFree(pFormats);
    return bFound;
}

} // namespace

int32_t CQVVideoRenderer::Open(uint32_t hHost, int nWidth, int nHeight, HostGoneSink onHostGone)
{
    Close();
    if (hHost == 0 || nWidth <= 0 || nHeight <= 0)
        return hHost == 0 ? kQVVideoBadHost : kQVVideoWindowFailed;
    Display* pDisplay = XOpenDisplay(nullptr);
    if (pDisplay == nullptr)
        return kQVVideoNoDisplay;

    std::lock_guard<std::mutex> lock(m_lock);
    m_pDisplay = pDisplay;
    m_nXError = 0;
    m_bConnectionLost = false;
    m_bHostGone = false;
    m_bWindowDestroyed = false;
    m_bHasPicture = false;
    CQVXErrorRouting::Add(pDisplay, this);

    XWindowAttributes host{};
    if (XGetWindowAttributes(pDisplay, hHost, &host) == 0 || !SyncLocked())
    {
        ReleaseLocked();
        return kQVVideoBadHost;
    }
    const Visual* pVisual = host.visual;
    if (pVisual == nullptr || pVisual->c_class != TrueColor ||
        (host.depth != 24 && host.depth != 32) || pVisual->red_mask != 0xFF0000 ||
        pVisual->green_mask != 0xFF00 || pVisual->blue_mask != 0xFF ||
        !HasFourBytePixels(pDisplay, host.depth))
    {
        ReleaseLocked();
        return kQVVideoBadVisual;
    }
    m_nHostWidth = host.width;
    m_nHostHeight = host.height;
    m_nDepth = host.depth;
    m_nWidth = nWidth;
    m_nHeight = nHeight;

    XSetWindowAttributes attributes{};
    attributes.colormap = host.colormap;
    attributes.border_pixel = 0;
    attributes.background_pixel = 0;
    // No input: presses and motion over the picture go to the host.
    attributes.event_mask = StructureNotifyMask | ExposureMask;
    m_nWindow = XCreateWindow(pDisplay, hHost, 0, 0, 1, 1, 0, host.depth, InputOutput, host.visual,
                              CWColormap | CWBorderPixel | CWBackPixel | CWEventMask, &attributes);
    m_pixels.assign(static_cast<size_t>(nWidth) * nHeight * 4, 0);
    XImage* pImage =
        XCreateImage(pDisplay, host.visual, static_cast<unsigned>(host.depth), ZPixmap, 0,
                     reinterpret_cast<char*>(m_pixels.data()), static_cast<unsigned>(nWidth),
                     static_cast<unsigned>(nHeight), 32, nWidth * 4);
    m_pImage = pImage;
    if (m_nWindow != 0)
        m_pGc = XCreateGC(pDisplay, m_nWindow, 0, nullptr);
    if (m_nWindow == 0 || pImage == nullptr || m_pGc == nullptr || !SyncLocked())
    {
        ReleaseLocked();
        return kQVVideoWindowFailed;
    }
    pImage->byte_order = LSBFirst; // the pixels are blue, green, red, alpha in memory

    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
    {
        ReleaseLocked();
        return kQVVideoWindowFailed;
    }
    m_nWakeRead = pipeEnds[0];
    m_nWakeWrite = pipeEnds[1];
    m_onHostGone = std::move(onHostGone);
    m_bStopWatching = false;
    m_watcher = std::thread(&CQVVideoRenderer::WatchLoop, this);
    return 0;
}

bool CQVVideoRenderer::SyncLocked()
{
    XSync(AsDisplay(m_pDisplay), False);
    return m_nXError == 0 && !m_bConnectionLost;
}

int32_t CQVVideoRenderer::Place(const tagQVWindowRect& rect, int nPictureX, int nPictureY)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_pDisplay == nullptr || m_bHostGone)
        return kQVVideoHostGone;
    Display* pDisplay = AsDisplay(m_pDisplay);
    m_nPictureX = nPictureX;
    m_nPictureY = nPictureY;
    if (rect.nWidth <= 0 || rect.nHeight <= 0)
        XUnmapWindow(pDisplay, m_nWindow);
    else
    {
        XMoveResizeWindow(pDisplay, m_nWindow, rect.x, rect.y, static_cast<unsigned>(rect.nWidth),
                          static_cast<unsigned>(rect.nHeight));
        XMapRaised(pDisplay, m_nWindow);
    }
    return SyncLocked() ? 0 : kQVVideoWindowFailed;
}

void CQVVideoRenderer::PutPictureLocked()
{
    if (!m_bHasPicture || m_bWindowDestroyed || m_bConnectionLost)
        return;
    Display* pDisplay = AsDisplay(m_pDisplay);
    XPutImage(pDisplay, m_nWindow, static_cast<GC>(m_pGc), static_cast<XImage*>(m_pImage), 0, 0,
              m_nPictureX, m_nPictureY, static_cast<unsigned>(m_nWidth),
              static_cast<unsigned>(m_nHeight));
    XFlush(pDisplay);
}

int32_t CQVVideoRenderer::Show(const uint8_t* pBottomUp)
{
    if (pBottomUp == nullptr)
        return 0;
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_pDisplay == nullptr || m_bHostGone || m_bConnectionLost)
        return kQVVideoHostGone;
    const size_t nRowBytes = static_cast<size_t>(m_nWidth) * 4;
    for (int y = 0; y < m_nHeight; ++y)
    {
        const uint8_t* pSource = pBottomUp + (m_nHeight - 1 - y) * nRowBytes;
        uint8_t* pTarget = m_pixels.data() + y * nRowBytes;
        std::memcpy(pTarget, pSource, nRowBytes);
        // A 32-bit window is composited with its alpha: the picture is opaque.
        if (m_nDepth == 32)
            for (size_t x = 3; x < nRowBytes; x += 4)
                pTarget[x] = 0xFF;
    }
    m_bHasPicture = true;
    PutPictureLocked();
    return 0;
}

void CQVVideoRenderer::WatchLoop()
{
    const int nConnection = ConnectionNumber(AsDisplay(m_pDisplay));
    while (!m_bStopWatching)
    {
        pollfd waits[2] = {{nConnection, POLLIN, 0}, {m_nWakeRead, POLLIN, 0}};
        poll(waits, 2, 100);
        if (m_bStopWatching)
            break;
        bool bGone = false;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            Display* pDisplay = AsDisplay(m_pDisplay);
            while (!m_bConnectionLost && XPending(pDisplay) > 0)
            {
                XEvent event;
                XNextEvent(pDisplay, &event);
                if (event.type == DestroyNotify && event.xdestroywindow.window == m_nWindow)
                    m_bWindowDestroyed = true;
                else if (event.type == Expose && event.xexpose.count == 0)
                    PutPictureLocked();
            }
            // A picture sent to a window that went meanwhile comes back as an error.
            const int nError = m_nXError;
            bGone = m_bWindowDestroyed || m_bConnectionLost || nError == BadWindow ||
                    nError == BadDrawable;
        }
        if (bGone)
        {
            MarkGone();
            break;
        }
    }
}

void CQVVideoRenderer::MarkGone()
{
    if (m_bHostGone.exchange(true))
        return;
    if (m_onHostGone)
        m_onHostGone();
}

void CQVVideoRenderer::ReleaseLocked()
{
    Display* pDisplay = AsDisplay(m_pDisplay);
    if (pDisplay == nullptr)
        return;
    if (m_pImage != nullptr)
    {
        XImage* pImage = static_cast<XImage*>(m_pImage);
        pImage->data = nullptr; // the pixels are ours
        XDestroyImage(pImage);
        m_pImage = nullptr;
    }
    if (!m_bConnectionLost)
    {
        if (m_pGc != nullptr)
            XFreeGC(pDisplay, static_cast<GC>(m_pGc));
        if (m_nWindow != 0 && !m_bWindowDestroyed)
            XDestroyWindow(pDisplay, m_nWindow);
        XSync(pDisplay, False);
    }
    m_pGc = nullptr;
    m_nWindow = 0;
    // A broken connection is left as it is: closing it would only report the break again.
    if (!m_bConnectionLost)
        XCloseDisplay(pDisplay);
    CQVXErrorRouting::Remove(pDisplay);
    m_pDisplay = nullptr;
    m_pixels.clear();
    m_bHasPicture = false;
}

void CQVVideoRenderer::Close()
{
    if (m_watcher.joinable())
    {
        m_bStopWatching = true;
        if (m_nWakeWrite >= 0)
        {
            const char nWake = 1;
            [[maybe_unused]] ssize_t nWritten = write(m_nWakeWrite, &nWake, 1);
        }
        m_watcher.join();
    }
    if (m_nWakeRead >= 0)
        close(m_nWakeRead);
    if (m_nWakeWrite >= 0)
        close(m_nWakeWrite);
    m_nWakeRead = m_nWakeWrite = -1;
    std::lock_guard<std::mutex> lock(m_lock);
    ReleaseLocked();
    m_onHostGone = nullptr;
}

} // namespace qv
