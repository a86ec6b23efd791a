#pragma once

#include "platform/UIKit/UIViewController.h"
#include "platform/objc/objc.h"

#include <string>

namespace qv {

// The Settings app's base of every page a preference bundle shows. Pages
// are made by class name through the object runtime (alloc, then
// initForContentSize:) and know the folder of the bundle they come from,
// which the pages they open share.
//
// Whether PSViewController itself answers initForContentSize: depends on
// the system, as on the device: systems before 8 have it, later ones do
// not, and a bundle that relies on it adds it (PSListController always
// answers it).
class PSViewController : public UIViewController, public objc_object {
    QV_MAKE_REF_FRIEND;

public:
    std::string className() const override { return "PSViewController"; }

    // Makes a page of the named class, a PSViewController or a subclass,
    // and initialises it with initForContentSize:. Null, with the reason in
    // `error`, when no such class is registered, it is no page class, or
    // its initialiser answers nothing.
    static RefPtr<PSViewController> controllerWithClassName(const std::string& className, CGSize contentSize, std::string& error);

    CGSize contentSize() const { return m_contentSize; }
    void setContentSize(CGSize size) { m_contentSize = size; }
    // The device path of the bundle folder the page's resources come from.
    const std::string& bundlePath() const { return m_bundlePath; }
    void setBundlePath(std::string path) { m_bundlePath = std::move(path); }

    // Pushes a page onto the Settings navigation, sharing this page's
    // bundle folder when the page has none of its own.
    void pushController(const RefPtr<PSViewController>& controller);

    // Sent (through the runtime, so that a bundle's own method runs) each
    // time the page is about to show; does nothing here.
    virtual void viewWillBecomeVisible(void* source) {}
    void viewWillAppear(bool animated) override;

protected:
    PSViewController() = default;
    ~PSViewController() override = default;

private:
    CGSize m_contentSize {};
    std::string m_bundlePath;
};

} // namespace qv
