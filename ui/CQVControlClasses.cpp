#include "ui/CQVControlClasses.h"

#include "ui/CQVCheck.h"
#include "ui/CQVComboBox.h"
#include "ui/CQVEdit.h"
#include "ui/CQVListCtrl.h"
#include "ui/CQVProgress.h"
#include "ui/CQVRadio.h"
#include "ui/CQVSkinLoader.h"
#include "ui/CQVSlider.h"
#include "ui/CQVUIManager.h"

namespace qv
{

void CQVControlClasses::RegisterWithSkinLoader()
{
    CQVSkinLoader::RegisterControlClass(kKindCheck, &CQVCheck::CreateFromSkin);
    CQVSkinLoader::RegisterControlClass(kKindRadio, &CQVRadio::CreateFromSkin);
    CQVSkinLoader::RegisterControlClass(kKindEdit, &CQVEdit::CreateFromSkin);
    CQVSkinLoader::RegisterControlClass(kKindProgress, &CQVProgress::CreateFromSkin);
    CQVSkinLoader::RegisterControlClass(kKindComboBox, &CQVComboBox::CreateFromSkin);
    CQVSkinLoader::RegisterControlClass(kKindSlider, &CQVSlider::CreateFromSkin);
    CQVSkinLoader::RegisterControlClass(kKindListCtrl, &CQVListCtrl::CreateFromSkin);
}

} // namespace qv
