#include "frontend/DisplayTurnNote.h"

#include "probe/MediaInfoProbe.h"

#include <cmath>

namespace qv
{

QString UnsupportedTurnNote(const tagQVDisplayTurn& turn)
{
    if (!turn.bUnsupported)
        return QString();
    // Tenths at most: the matrix holds 16.16 values, so 45° comes back as 45.00000x.
    const double dDegrees = std::round(std::fabs(turn.dRequestedDegrees) * 10) / 10;
    // A matrix that only scales or slants asks for no angle.
    if (dDegrees == 0)
        return QStringLiteral("This video asks to be shown stretched or slanted; it is shown "
                              "as stored.");
    return QStringLiteral("This video asks to be shown turned by %1° %2; it is shown as stored.")
        .arg(QString::number(dDegrees, 'g', 5), turn.dRequestedDegrees > 0
                                                    ? QStringLiteral("clockwise")
                                                    : QStringLiteral("counterclockwise"));
}

QString UnsupportedTurnNoteOfFile(const std::string& path)
{
    tagQVMediaInfo info;
    if (!ProbeMediaInfo(path, &info) || !info.bHasVideo)
        return QString();
    return UnsupportedTurnNote(info.turn);
}

} // namespace qv
