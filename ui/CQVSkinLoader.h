// Reads a skin description into a UI manager: the window background, the tooltip settings,
// the font table and the skin's own controls. Control classes are made through creators
// registered per kind, so that each control family registers its own class.
#pragma once

#include <map>
#include <string>

namespace qv
{

class CQVButton;
class CQVUIManager;

// Every attribute of a control's element, by name, as written.
using QVSkinAttributes = std::map<std::string, std::string>;
// Makes a control of one class from its element's attributes (class-specific ones such as
// "number", "edited", "minpos" are read here); null to skip the element.
using QVControlCreator = CQVButton* (*)(const QVSkinAttributes& attributes);

class CQVSkinLoader
{
public:
    // The kind that an element name makes (0 "button" .. 14 "listctrl"), -1 for others.
    static int KindOfElement(const std::string& name);
    // Sets the creator for a kind; null removes it. "button" and "static" are built in.
    static void RegisterControlClass(int nKind, QVControlCreator pCreator);

    // Reads baseFolder + relativePath into the manager (whose owner window is already set).
    // Image paths in the file are relative to baseFolder. False when the file was not read.
    static bool Load(CQVUIManager& manager, const std::string& baseFolder,
                     const std::string& relativePath);

    // baseFolder + relative, with "\" separators in relative turned into "/".
    static std::string JoinPath(const std::string& baseFolder, const std::string& relative);
    // The four characters backslash, r, backslash, n become a line break.
    static std::string ExpandLineBreaks(const std::string& text);
};

} // namespace qv
