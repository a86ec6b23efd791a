#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/core/WeakPtr.h"
#include "platform/objc/objc.h"

#include <string>

namespace qv {

class NSDictionary;

// The kinds of row a specifier stands for (the device's numbers).
enum PSCellType : int64_t {
    PSGroupCell = 0,
    PSLinkCell = 1,
    PSTitleValueCell = 4,
    PSSwitchCell = 6,
    PSStaticTextCell = 7,
};

// One row of a list page (or the group that begins a section): its label,
// its kind, and the target whose getter and setter, named by selector, it
// reads and writes through the object runtime. A link row names the class
// of the page it opens. The target is not retained: it is the page that
// owns the specifier.
class PSSpecifier : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    static Ref<PSSpecifier> preferenceSpecifierNamed(const std::string& name, objc_object* target, SEL setter, SEL getter,
        Class detail, PSCellType cell, Class edit);

    std::string className() const override { return "PSSpecifier"; }

    const std::string& name() const { return m_name; }
    RefPtr<objc_object> target() const { return m_target.lock(); }
    SEL setter() const { return m_setter; }
    SEL getter() const { return m_getter; }
    Class detailControllerClass() const { return m_detail; }
    Class editPaneClass() const { return m_edit; }
    PSCellType cellType() const { return m_cellType; }

    // Further properties of the row ("footerText" of a group, "key" ...).
    RefPtr<NSObject> propertyForKey(const std::string& key) const;
    void setProperty(RefPtr<NSObject> value, const std::string& key);

    // The getter's answer, or no value when there is no target or getter.
    // A getter the target does not answer, or one of other types than an
    // object answered to nothing, is not sent: it is logged and reads as
    // no value, so that a wrong binding in a list never ends the process.
    RefPtr<NSObject> performGetter() const;
    // Sends the setter the value, with the same care; false when it was
    // not sent.
    bool performSetter(RefPtr<NSObject> value) const;

private:
    PSSpecifier(std::string name, objc_object* target, SEL setter, SEL getter, Class detail, PSCellType cell, Class edit);

    // Whether the target answers the selector with the types given.
    bool targetAnswers(objc_object& target, SEL selector, const std::string& types) const;

    std::string m_name;
    WeakPtr<objc_object> m_target;
    SEL m_setter;
    SEL m_getter;
    Class m_detail;
    PSCellType m_cellType;
    Class m_edit;
    Ref<NSDictionary> m_properties;
};

} // namespace qv
