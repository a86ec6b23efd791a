#pragma once

// Small pieces the UIKit tests share: a view that writes down the touches
// it is given, and a window to put views in.

#include "platform/UIKit/UIEvent.h"
#include "platform/UIKit/UITouch.h"
#include "platform/UIKit/UIView.h"
#include "platform/UIKit/UIWindow.h"

#include <string>
#include <vector>

namespace qv::uikittest {

// Writes "<name> <phase> <count>" for every delivery to one shared log, and
// passes the touches up the chain as well when asked to.
class RecordingView : public UIView {
public:
    RecordingView(std::string name, CGRect frame, std::vector<std::string>& log, bool passesOn = false)
        : UIView(frame), m_name(std::move(name)), m_log(log), m_passesOn(passesOn) { }

    void touchesBegan(const UITouchSet& touches, UIEvent* event) override
    {
        if (note("began", touches, event))
            UIView::touchesBegan(touches, event);
    }
    void touchesMoved(const UITouchSet& touches, UIEvent* event) override
    {
        if (note("moved", touches, event))
            UIView::touchesMoved(touches, event);
    }
    void touchesEnded(const UITouchSet& touches, UIEvent* event) override
    {
        if (note("ended", touches, event))
            UIView::touchesEnded(touches, event);
    }
    void touchesCancelled(const UITouchSet& touches, UIEvent* event) override
    {
        if (note("cancelled", touches, event))
            UIView::touchesCancelled(touches, event);
    }

    UITouchSet lastTouches;
    RefPtr<UIEvent> lastEvent;

private:
    // Answers whether to pass the touches on.
    bool note(const char* phase, const UITouchSet& touches, UIEvent* event)
    {
        m_log.push_back(m_name + " " + phase + " " + std::to_string(touches.size()));
        lastTouches = touches;
        lastEvent = event;
        return m_passesOn;
    }

    std::string m_name;
    std::vector<std::string>& m_log;
    bool m_passesOn;
};

// A visible key window of the 4-inch phone's size.
inline Ref<UIWindow> makeWindow()
{
    Ref<UIWindow> window = makeRef<UIWindow>(CGRectMake(0, 0, 320, 568));
    window->makeKeyAndVisible();
    return window;
}

} // namespace qv::uikittest
