// Numbered markers on the free slots of a page's layout while an icon is
// held in edit mode. The markers themselves come with the placeholder
// icons; until then these pass SpringBoard's calls on.

#include "QVHooks.h"

namespace qv {

void toggleQVPlaceholderIcons(SBIconListView*, SEL, bool, bool, bool)
{
}

void toggleQVPlaceholderIconsAfterDelay(SBIconListView*, SEL)
{
}

void SBIconListView_setEditing_hook(SBIconListView* self, SEL, bool editing)
{
    QVSaved::setEditing(self, editing);
}

void SBIconListView_compactIcons_hook(SBIconListView* self, SEL, bool animated)
{
    QVSaved::compactIcons(self, animated);
}

void SBIconController_iconHandleLongPress_hook(SBIconController* self, SEL, SBIcon* icon)
{
    QVSaved::iconHandleLongPress(self, icon);
}

void SBIconController_icon_touchEnded_hook(SBIconController* self, SEL, SBIcon* icon, bool touchEnded)
{
    QVSaved::iconTouchEnded(self, icon, touchEnded);
}

} // namespace qv
