// A combo box seen as a choice list, so that the Windows Media layer fills the movie
// settings' codec and format combos directly. The combo box belongs to its dialog; the
// adapter only borrows it. GUI thread only.
#pragma once

#include "formats/IQVChoiceList.h"
#include "ui/CQVComboBox.h"

namespace qv
{

class CQVComboChoiceList : public IQVChoiceList
{
public:
    explicit CQVComboChoiceList(CQVComboBox* pCombo) : m_pCombo(pCombo) {}

    void ResetContent() override;
    // The text becomes the entry's text, nValue its item value.
    int32_t AddItem(const std::string& text, int32_t nValue) override;
    int32_t Count() const override;
    // An index outside the list leaves the combo box with no entry chosen (an empty text).
    // Nothing is redrawn: the dialog repaints once it has filled its lists.
    void SetSelection(int32_t nIndex) override;

private:
    CQVComboBox* m_pCombo; // null: every call does nothing and the list counts 0
};

} // namespace qv
