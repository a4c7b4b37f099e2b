// A choice list kept in memory, for callers without a dialog.
#pragma once

#include "formats/IQVChoiceList.h"

#include <vector>

namespace qv
{

class CQVChoiceVector : public IQVChoiceList
{
public:
    struct tagQVChoice
    {
        std::string text;
        int32_t nValue;
    };

    void ResetContent() override
    {
        m_items.clear();
        m_nSelection = -1;
    }
    int32_t AddItem(const std::string& text, int32_t nValue) override
    {
        m_items.push_back({text, nValue});
        return static_cast<int32_t>(m_items.size()) - 1;
    }
    int32_t Count() const override { return static_cast<int32_t>(m_items.size()); }
    // An index outside the list selects nothing.
    void SetSelection(int32_t nIndex) override
    {
        m_nSelection = nIndex >= 0 && nIndex < Count() ? nIndex : -1;
    }

    const std::vector<tagQVChoice>& Items() const { return m_items; }
    int32_t Selection() const { return m_nSelection; }

private:
    std::vector<tagQVChoice> m_items;
    int32_t m_nSelection = -1;
};

} // namespace qv
