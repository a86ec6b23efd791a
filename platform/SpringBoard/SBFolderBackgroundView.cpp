#include "SBFolderBackgroundView.h"

#include "SpringBoardRuntime.h"
#include "SpringBoardTypes.h"

namespace qv {

void SBFolderBackgroundView::registerClass()
{
    SBDefineClass<SBFolderBackgroundView>("NSObject", "SBFolderBackgroundView", [](Class cls) {
        SBViewMessages<SBFolderBackgroundView>::addTo(cls);
        SBFolderBackgroundViewMessages::folderBackgroundSize.addMethod(cls, [](Class) { return SBCurrentGridMetrics().folderBackgroundSize(); });
        SBFolderBackgroundViewMessages::cornerRadiusToInsetContent.addMethod(cls, [](Class) { return double { SBCurrentGridMetrics().folderCornerRadius() }; });
    });
}

Ref<SBFolderBackgroundView> SBFolderBackgroundView::create()
{
    return makeRef<SBFolderBackgroundView>();
}

SBFolderBackgroundView::SBFolderBackgroundView()
    : RuntimeInstance(CGRect { CGPointZero, folderBackgroundSize() })
{
}

CGSize SBFolderBackgroundView::folderBackgroundSize()
{
    return SBFolderBackgroundViewMessages::folderBackgroundSize(objc_getClass("SBFolderBackgroundView"));
}

double SBFolderBackgroundView::cornerRadiusToInsetContent()
{
    return SBFolderBackgroundViewMessages::cornerRadiusToInsetContent(objc_getClass("SBFolderBackgroundView"));
}

} // namespace qv
