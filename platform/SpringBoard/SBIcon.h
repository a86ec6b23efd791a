#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/objc/objc.h"

#include <string>

namespace qv {

class NSString;

// One icon of the home screen: an application, a folder, the newsstand or
// a placeholder that holds a slot. Icons live in the lists of their folder;
// each list that shows an icon has a view for it.
class SBIcon : public NSObject, public objc_object {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();

    std::string className() const override { return "SBIcon"; }
    // The kind as the home screen's description and state dumps name it:
    // "application", "folder", "newsstand", "placeholder", "gridLockPlaceholder".
    virtual std::string kindName() const = 0;

    // Messages, sent through the runtime.
    RefPtr<NSString> displayName();

    // The name the icon was made with.
    const std::string& name() const { return m_name; }

protected:
    explicit SBIcon(std::string name) : m_name(std::move(name)) {}
    ~SBIcon() override = default;

    // SpringBoard's own implementations, also for subclasses that answer
    // differently.
    virtual RefPtr<NSString> stockDisplayName();

private:
    std::string m_name;
};

} // namespace qv
