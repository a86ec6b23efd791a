#include "SBFolderBackgroundView.h"

#include "SpringBoardRuntime.h"
#include "SpringBoardTypes.h"

namespace qv {

void SBFolderBackgroundView::registerClass()
{
    SBDefineClass<SBFolderBackgroundView>("NSObject", "SBFolderBackgroundView", [](Class cls) {
        SBAddViewMethods<SBFolderBackgroundView>(cls);
        SBAddClassMethod(cls, "folderBackgroundSize", [](Class) { return SBCurrentGridMetrics().folderBackgroundSize(); });
        SBAddClassMethod(cls, "cornerRadiusToInsetContent", [](Class) { return double { SBCurrentGridMetrics().folderCornerRadius() }; });
    });
}

Ref<SBFolderBackgroundView> SBFolderBackgroundView::create()
{
    return makeRef<SBFolderBackgroundView>();
}

SBFolderBackgroundView::SBFolderBackgroundView()
    : UIView(CGRect { CGPointZero, folderBackgroundSize() })
{
}

CGSize SBFolderBackgroundView::folderBackgroundSize()
{
    return msgSend<CGSize>(objc_getClass("SBFolderBackgroundView"), "folderBackgroundSize");
}

double SBFolderBackgroundView::cornerRadiusToInsetContent()
{
    return msgSend<double>(objc_getClass("SBFolderBackgroundView"), "cornerRadiusToInsetContent");
}

} // namespace qv
