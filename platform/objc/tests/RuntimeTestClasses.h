#pragma once

#include "platform/objc/objc.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace qv::objc_tests {

// A small class tree for the runtime's tests: Animal (instances are C++
// Animal objects) and Dog (C++ Dog) registered with their C++ types, and a
// class made at run time under Dog, as an extension would make one.
class Animal : public objc_object {
public:
    int32_t m_legs = 4;
    RefPtr<Object> m_owner;
    CGPoint m_position;
};

class Dog : public Animal {
public:
    int64_t m_tricks = 0;
};

// A value that is not a runtime object, like the device's strings here.
class Label : public virtual Object {
    QV_MAKE_REF_FRIEND;

public:
    static Ref<Label> create(std::string text) { return makeRef<Label>(std::move(text)); }
    const std::string& text() const { return m_text; }

private:
    explicit Label(std::string text) : m_text(std::move(text)) {}
    std::string m_text;
};

struct ClassTree {
    Class animal = nullptr;
    Class dog = nullptr;
    Class puppy = nullptr;
};

// Names differ per call, so that tests running in one process do not meet
// each other's classes.
inline std::string uniqueClassName(const std::string& stem)
{
    static std::atomic<int> counter { 0 };
    return stem + std::to_string(++counter);
}

// Animal: -legs (int32), -sound (int64: 1), -describe: (Label -> Label),
//         +whoAmI (answers the receiving class), ivars _legs, _owner, _position.
// Dog:    -sound (int64: 2), ivar _tricks.
// Puppy:  made at run time, defines nothing.
inline ClassTree makeClassTree()
{
    ClassTree tree;
    Class root = objc_getClass("NSObject");
    tree.animal = objc_allocateClassPair<Animal>(root, uniqueClassName("Animal").c_str());
    class_addIvar(tree.animal, "_legs", &Animal::m_legs);
    class_addIvar(tree.animal, "_owner", &Animal::m_owner);
    class_addIvar(tree.animal, "_position", &Animal::m_position);
    class_addMethod(tree.animal, sel_registerName("legs"), imp_implementationWithBlock([](Animal* self) { return self->m_legs; }));
    class_addMethod(tree.animal, sel_registerName("sound"), imp_implementationWithBlock([](id) { return int64_t { 1 }; }));
    class_addMethod(tree.animal, sel_registerName("describe:"), imp_implementationWithBlock([](id, Label* label) {
        return RefPtr<Label>(Label::create("animal " + (label ? label->text() : std::string("nil"))));
    }));
    class_addMethod(object_getClass(tree.animal), sel_registerName("whoAmI"), imp_implementationWithBlock([](Class self) { return self; }));
    objc_registerClassPair(tree.animal);

    tree.dog = objc_allocateClassPair<Dog>(tree.animal, uniqueClassName("Dog").c_str());
    class_addIvar(tree.dog, "_tricks", &Dog::m_tricks);
    class_addMethod(tree.dog, sel_registerName("sound"), imp_implementationWithBlock([](id) { return int64_t { 2 }; }));
    objc_registerClassPair(tree.dog);

    tree.puppy = objc_allocateClassPair(tree.dog, uniqueClassName("Puppy").c_str());
    objc_registerClassPair(tree.puppy);
    return tree;
}

inline RefPtr<objc_object> makeInstance(Class cls)
{
    return msgSend<RefPtr<objc_object>>(cls, "new");
}

// A fresh class tree and one instance of each class.
class ClassTreeTest : public ::testing::Test {
protected:
    ClassTree tree = makeClassTree();
    RefPtr<objc_object> animal = makeInstance(tree.animal);
    RefPtr<objc_object> dog = makeInstance(tree.dog);
    RefPtr<objc_object> puppy = makeInstance(tree.puppy);
};

} // namespace qv::objc_tests
