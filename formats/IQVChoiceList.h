// A list of choices that a settings dialog shows (a combo box): texts with an integer
// value each, and one selected entry.
#pragma once

#include <cstdint>
#include <string>

namespace qv
{

class IQVChoiceList
{
public:
    virtual ~IQVChoiceList() = default;

    virtual void ResetContent() = 0;
    // Appends an entry (UTF-8 text); returns its position.
    virtual int32_t AddItem(const std::string& text, int32_t nValue) = 0;
    virtual int32_t Count() const = 0;
    // -1 selects nothing.
    virtual void SetSelection(int32_t nIndex) = 0;
};

} // namespace qv
