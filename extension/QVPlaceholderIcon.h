#pragma once

#include "platform/UIKit/UIImage.h"
#include "platform/UIKit/UIView.h"

#include <cstdint>

namespace qv {

// The marker of an empty slot of a page's layout while an icon is held in
// edit mode: a square as wide as the home screen's icons, at the slot's
// origin, showing the placeholder picture and the slot's number (slot 0
// shows "1"), both half transparent.
class QVPlaceholderIcon : public UIView {
    QV_MAKE_REF_FRIEND;

public:
    // initWithOrigin:placeholderImage:iconIndex:. The image may be absent:
    // then only the number shows.
    static Ref<QVPlaceholderIcon> create(CGPoint origin, RefPtr<UIImage> placeholderImage, uint64_t iconIndex);

    std::string className() const override { return "QVPlaceholderIcon"; }

private:
    QVPlaceholderIcon(CGPoint origin, RefPtr<UIImage> placeholderImage, uint64_t iconIndex, CGFloat side);
    ~QVPlaceholderIcon() override = default;
};

} // namespace qv
