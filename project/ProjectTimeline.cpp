#include "project/ProjectTimeline.h"

#include "project/LineTypes.h"

#include <algorithm>

namespace qv
{

void TimelineLine::LinkItems()
{
    for (size_t i = 0; i < items.size(); ++i)
        items[i]->pNextItem = i + 1 < items.size() ? items[i + 1].get() : nullptr;
}

double TimelineLine::EndTime() const
{
    // The last item's end: no record that an item carries reaches past its own end time.
    return items.empty() ? 0.0 : items.back()->dEditorEndTime;
}

TimelineLine& ProjectTimeline::AddLine(int32_t eMediaTypeLine)
{
    TimelineLine line;
    line.nIndex = static_cast<int32_t>(lines.size());
    line.eMediaTypeLine = eMediaTypeLine;
    lines.push_back(std::move(line));
    return lines.back();
}

TimelineLine* ProjectTimeline::FindLine(int32_t eMediaTypeLine)
{
    for (TimelineLine& line : lines)
        if (line.eMediaTypeLine == eMediaTypeLine)
            return &line;
    return nullptr;
}

const TimelineLine* ProjectTimeline::FindLine(int32_t eMediaTypeLine) const
{
    for (const TimelineLine& line : lines)
        if (line.eMediaTypeLine == eMediaTypeLine)
            return &line;
    return nullptr;
}

double ProjectTimeline::Length() const
{
    double length = 0.0;
    for (const TimelineLine& line : lines)
        if (!IsExcludedFromLength(line.eMediaTypeLine) && !line.items.empty())
            length = std::max(length, line.EndTime());
    if (!secondLine.items.empty())
        length = std::max(length, secondLine.EndTime());
    return length;
}

int32_t ProjectTimeline::ItemCount() const
{
    int64_t count = 0;
    for (const TimelineLine& line : lines)
        count += static_cast<int64_t>(line.items.size()) *
                 (line.eMediaTypeLine == kLineDoubleCount ? 2 : 1);
    return static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX));
}

ProjectTimeline ProjectTimeline::CreateEngineLines()
{
    ProjectTimeline timeline;
    timeline.lines.reserve(kEngineLineCount);
    for (int32_t type : kEngineLineOrder)
        timeline.AddLine(type);
    timeline.secondLine.eMediaTypeLine = kLineMainVideo;
    return timeline;
}

} // namespace qv
