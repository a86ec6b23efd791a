#pragma once

#include "platform/Foundation/JSONWriter.h"

#include "platform/core/Geometry.h"
#include "platform/core/Ref.h"

#include <functional>
#include <vector>

namespace qv {

class UIView;
class UIViewController;

// What is on the screen, written as JSON for the driver's dump: views with
// their class, frame, alpha, hidden flag, text or title and label; the
// controllers with their navigation and tab state; the alerts, sheets and
// popovers showing.
class UIScreenDump {
public:
    using ViewDescriber = std::function<void(UIView&, JSONWriter&)>;

    static void writeRect(JSONWriter& writer, CGRect rect);
    // The view and its subviews, back to front; the describers add members.
    static void writeView(JSONWriter& writer, UIView& view, const std::vector<ViewDescriber>& describers);
    static void writeController(JSONWriter& writer, UIViewController& controller);
    static void writeModalViews(JSONWriter& writer);
    static void writePopovers(JSONWriter& writer);

    // The views of the tree that can be seen (not hidden, not transparent,
    // nor inside one that is), the front-most first.
    static std::vector<Ref<UIView>> visibleViewsFrontToBack(UIView& root);
};

} // namespace qv
