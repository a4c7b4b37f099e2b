// Registers the toolkit's value controls and list with the skin loader, so that the skin
// elements "check", "radio", "sedit", "progress", "combobox", "slider" and "listctrl" make
// controls of their classes. Called once at start-up, before the first dialog loads its
// skin; calling it again does no harm.
#pragma once

namespace qv
{

class CQVControlClasses
{
public:
    static void RegisterWithSkinLoader();
};

} // namespace qv
