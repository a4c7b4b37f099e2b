// What the user is told about a video whose display matrix asks for more than a quarter
// turn or mirror: its pictures are shown, cropped and converted as stored, and the list and
// the crop dialog say so in one plain sentence.
#pragma once

#include "probe/DisplayTurn.h"

#include <QString>
#include <string>

namespace qv
{

// Empty for a turn that is followed (or no matrix); otherwise, for example,
// "This video asks to be shown turned by 45° counterclockwise; it is shown as stored."
QString UnsupportedTurnNote(const tagQVDisplayTurn& turn);

// The note of a file (UTF-8 path); empty as well when it cannot be probed.
QString UnsupportedTurnNoteOfFile(const std::string& path);

} // namespace qv
