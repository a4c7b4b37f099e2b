// The help boxes of the settings dialogs change their text as the pointer moves; each
// dialog makes its box tall enough for the longest of its texts in the skin's font.
#pragma once

#include <QStringList>

namespace qv
{

// Pixels that the tallest text needs, wrapped to nWidth, in the skin font nFontId (the
// toolkit's default font when the skin has no such record).
int HelpTextHeight(int nFontId, int nWidth, const QStringList& texts);

} // namespace qv
