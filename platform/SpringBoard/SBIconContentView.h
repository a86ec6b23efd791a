#pragma once

#include "platform/UIKit/UIView.h"
#include "platform/objc/objc.h"

namespace qv {

// The area of the home screen that holds the pages, the dock and an open
// folder: the whole screen, turned with the interface.
class SBIconContentView : public RuntimeInstance<UIView> {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SBIconContentView> create(CGRect frame);


private:
    explicit SBIconContentView(CGRect frame) : RuntimeInstance(frame) {}
    ~SBIconContentView() override = default;
};

} // namespace qv
