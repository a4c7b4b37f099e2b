#include "media/CQVItemRuntime.h"

#include "project/LineTypes.h"

#include <atomic>

namespace qv
{

namespace
{

std::atomic<int64_t> g_nNextIdentity{1};

} // namespace

CQVItemRuntime::CQVItemRuntime() : m_nIdentity(g_nNextIdentity.fetch_add(1)) {}

CQVItemRuntime& ItemRuntime(tagQVMediaData& item)
{
    if (CQVItemRuntime* pRuntime = FindItemRuntime(item))
        return *pRuntime;
    auto runtime = std::make_unique<CQVItemRuntime>();
    CQVItemRuntime& result = *runtime;
    item.pState = std::move(runtime);
    return result;
}

CQVItemRuntime* FindItemRuntime(const tagQVMediaData& item)
{
    return dynamic_cast<CQVItemRuntime*>(item.pState.get());
}

void ReleaseItemDecoders(ProjectTimeline& timeline)
{
    auto release = [](TimelineLine& line)
    {
        for (const auto& pItem : line.items)
            if (CQVItemRuntime* pRuntime = FindItemRuntime(*pItem))
                pRuntime->pDecoder.reset();
    };
    for (TimelineLine& line : timeline.lines)
        if (line.eMediaTypeLine == kLineMainVideo || line.eMediaTypeLine == kLineOverlayVideo)
            release(line);
    release(timeline.secondLine);
}

} // namespace qv
