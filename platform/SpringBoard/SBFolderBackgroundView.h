#pragma once

#include "platform/UIKit/UIView.h"
#include "platform/objc/objc.h"

namespace qv {

// The rounded panel an open folder shows its pages on, centred in the
// content view. Its size and corner radius are the device's.
class SBFolderBackgroundView : public RuntimeInstance<UIView> {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SBFolderBackgroundView> create();


    // Class messages, sent through the runtime.
    static CGSize folderBackgroundSize();
    static double cornerRadiusToInsetContent();

private:
    SBFolderBackgroundView();
    ~SBFolderBackgroundView() override = default;
};

struct SBFolderBackgroundViewMessages {
    static inline const ObjCClassMessage<CGSize()> folderBackgroundSize { "folderBackgroundSize" };
    static inline const ObjCClassMessage<double()> cornerRadiusToInsetContent { "cornerRadiusToInsetContent" };
};

} // namespace qv
