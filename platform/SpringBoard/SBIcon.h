#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/Foundation/NSString.h"
#include "platform/objc/objc.h"

#include <string>

namespace qv {

// One icon of the home screen: an application, a folder, the newsstand or
// a placeholder that holds a slot. Icons live in the lists of their folder;
// each list that shows an icon has a view for it.
class SBIcon : public RuntimeInstance<NSObject> {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    // An icon of a class that only names a kind of icon (a placeholder).
    static Ref<SBIcon> create(std::string name, const char* className);

    // The kind as the home screen's description and state dumps name it,
    // by the icon's class: "application", "folder", "newsstand",
    // "placeholder", "gridLockPlaceholder".
    std::string kindName() const;

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

// SpringBoard's messages to icons.
struct SBIconMessages {
    static inline const ObjCMessage<SBIcon, RefPtr<NSString>()> displayName { "displayName" };
};

} // namespace qv
