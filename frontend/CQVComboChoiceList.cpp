#include "frontend/CQVComboChoiceList.h"

namespace qv
{

void CQVComboChoiceList::ResetContent()
{
    if (m_pCombo)
        m_pCombo->Clear();
}

int32_t CQVComboChoiceList::AddItem(const std::string& text, int32_t nValue)
{
    if (!m_pCombo)
        return -1;
    const int nIndex = m_pCombo->AddItem(QString::fromStdString(text));
    m_pCombo->SetItemValue(nIndex, nValue);
    return nIndex;
}

int32_t CQVComboChoiceList::Count() const
{
    return m_pCombo ? m_pCombo->GetCount() : 0;
}

void CQVComboChoiceList::SetSelection(int32_t nIndex)
{
    if (m_pCombo)
        m_pCombo->Select(nIndex, false);
}

} // namespace qv
