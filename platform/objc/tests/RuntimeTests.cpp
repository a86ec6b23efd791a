#include "RuntimeTestClasses.h"

#include "platform/core/CoreTesting.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

using namespace qv;
using namespace qv::objc_tests;

namespace {

class Runtime : public ClassTreeTest { };

using RuntimeDeathTest = Runtime;

} // namespace

TEST_F(Runtime, ClassesAreFoundByNameOnceRegistered)
{
    std::string name = uniqueClassName("Late");
    Class late = objc_allocateClassPair(tree.animal, name.c_str());
    ASSERT_TRUE(late);
    EXPECT_EQ(objc_getClass(name.c_str()), nullptr);
    objc_registerClassPair(late);
    EXPECT_EQ(objc_getClass(name.c_str()), late);
    EXPECT_EQ(objc_getMetaClass(name.c_str()), object_getClass(late));

    EXPECT_EQ(objc_getClass("NoSuchClass"), nullptr);
    EXPECT_EQ(objc_getClass(nullptr), nullptr);
    EXPECT_EQ(objc_allocateClassPair(tree.animal, name.c_str()), nullptr) << "a name is taken once";
    EXPECT_EQ(objc_allocateClassPair(nullptr, uniqueClassName("Orphan").c_str()), nullptr);
}

TEST_F(Runtime, ClassesKnowTheirNamesSuperclassesAndMetaclasses)
{
    Class root = objc_getClass("NSObject");
    EXPECT_EQ(class_getSuperclass(tree.puppy), tree.dog);
    EXPECT_EQ(class_getSuperclass(tree.dog), tree.animal);
    EXPECT_EQ(class_getSuperclass(tree.animal), root);
    EXPECT_EQ(class_getSuperclass(root), nullptr);
    EXPECT_STREQ(class_getName(nullptr), "nil");
    EXPECT_EQ(class_getName(tree.dog), std::string(object_getClassName(dog.get())));

    Class dogMeta = object_getClass(tree.dog);
    Class rootMeta = object_getClass(root);
    EXPECT_TRUE(class_isMetaClass(dogMeta));
    EXPECT_FALSE(class_isMetaClass(tree.dog));
    EXPECT_STREQ(class_getName(dogMeta), class_getName(tree.dog));
    EXPECT_EQ(class_getSuperclass(dogMeta), object_getClass(tree.animal));
    // The device's shape: the root metaclass inherits from the root class,
    // and every metaclass is an instance of the root metaclass.
    EXPECT_EQ(class_getSuperclass(rootMeta), root);
    EXPECT_EQ(object_getClass(dogMeta), rootMeta);
    EXPECT_EQ(object_getClass(rootMeta), rootMeta);
    EXPECT_EQ(object_getClass(nullptr), nullptr);
}

TEST_F(Runtime, MessagesFindMethodsThroughSuperclasses)
{
    struct Case {
        RefPtr<objc_object> receiver;
        const char* selector;
        int64_t expected;
    };
    const Case cases[] = {
        { animal, "sound", 1 },
        { dog, "sound", 2 },   // its own
        { puppy, "sound", 2 }, // its superclass's, not Animal's
    };
    for (const Case& c : cases)
        EXPECT_EQ(msgSend<int64_t>(c.receiver, c.selector), c.expected) << object_getClassName(c.receiver.get()) << " " << c.selector;
    EXPECT_EQ(msgSend<int32_t>(puppy, "legs"), 4);

    Method sound = class_getInstanceMethod(tree.puppy, sel_registerName("sound"));
    EXPECT_EQ(sound, class_getInstanceMethod(tree.dog, sel_registerName("sound")));
    EXPECT_NE(sound, class_getInstanceMethod(tree.animal, sel_registerName("sound")));
    EXPECT_STREQ(method_getTypeEncoding(sound), "q@:");
    EXPECT_EQ(method_getName(sound), sel_registerName("sound"));
    EXPECT_EQ(class_getInstanceMethod(tree.puppy, sel_registerName("whoAmI")), nullptr) << "a class method is no instance method";
}

TEST_F(Runtime, RuntimeSubclassInstancesAreTheirSuperclassesCppType)
{
    EXPECT_NE(dynamic_cast<Dog*>(puppy.get()), nullptr);
    EXPECT_EQ(object_getClass(puppy.get()), tree.puppy);
    EXPECT_NE(dynamic_cast<Animal*>(animal.get()), nullptr);
    EXPECT_EQ(dynamic_cast<Dog*>(animal.get()), nullptr);
}

TEST_F(Runtime, AClassWithoutAFactoryMakesNoInstances)
{
    class Made : public objc_object {
    public:
        explicit Made(int) { }
    };
    Class made = objc_allocateClassPair<Made>(objc_getClass("NSObject"), uniqueClassName("Made").c_str(), nullptr);
    objc_registerClassPair(made);
    LogCapture log;
    EXPECT_EQ(makeInstance(made), nullptr);
    EXPECT_TRUE(log.contains("cannot make instances"));
    EXPECT_EQ(class_createInstance(object_getClass(made)), nullptr) << "nor does a metaclass";
    EXPECT_EQ(object_getClass(makeRef<Made>(1).ptr()), made) << "objects made in C++ still have the class";
}

TEST_F(Runtime, ObjectsMadeInCppHaveTheClassOfTheirType)
{
    class Cat : public objc_object { };
    Ref<Cat> early = makeRef<Cat>();
    EXPECT_EQ(object_getClass(early.ptr()), nullptr) << "no class registered for Cat yet";

    Class cat = objc_allocateClassPair<Cat>(objc_getClass("NSObject"), uniqueClassName("Cat").c_str());
    class_addMethod(cat, sel_registerName("sound"), imp_implementationWithBlock([](Cat*) { return int64_t { 3 }; }));
    objc_registerClassPair(cat);
    EXPECT_EQ(object_getClass(early.ptr()), cat) << "a class registered later is found";
    EXPECT_EQ(msgSend<int64_t>(makeRef<Cat>(), "sound"), 3);
}

TEST_F(Runtime, AMessageSentDuringConstructionDoesNotFixTheClass)
{
    class Base : public objc_object {
    public:
        Base() { m_soundWhileMade = msgSend<int64_t>(this, "sound"); }
        int64_t m_soundWhileMade = 0;
    };
    class Derived : public Base { };
    Class base = objc_allocateClassPair<Base>(objc_getClass("NSObject"), uniqueClassName("Base").c_str());
    class_addMethod(base, sel_registerName("sound"), imp_implementationWithBlock([](id) { return int64_t { 1 }; }));
    objc_registerClassPair(base);
    Class derived = objc_allocateClassPair<Derived>(base, uniqueClassName("Derived").c_str());
    class_addMethod(derived, sel_registerName("sound"), imp_implementationWithBlock([](id) { return int64_t { 2 }; }));
    objc_registerClassPair(derived);

    Ref<Derived> object = makeRef<Derived>();
    EXPECT_EQ(object->m_soundWhileMade, 1) << "like a virtual call from a C++ constructor";
    EXPECT_EQ(object_getClass(object.ptr()), derived);
    EXPECT_EQ(msgSend<int64_t>(object, "sound"), 2);
}

TEST_F(Runtime, AbsentReceiverAnswersZeroForEveryResult)
{
    id nothing = nullptr;
    RefPtr<objc_object> empty;
    msgSend(nothing, "anything");
    EXPECT_FALSE(msgSend<bool>(nothing, "anything"));
    EXPECT_EQ(msgSend<int64_t>(empty, "sound"), 0);
    EXPECT_EQ(msgSend<uint64_t>(nothing, "count"), 0u);
    EXPECT_EQ(msgSend<double>(nothing, "scale"), 0.0);
    EXPECT_EQ(msgSend<CGPoint>(nothing, "origin"), CGPointZero);
    EXPECT_EQ(msgSend<CGRect>(nothing, "frame"), CGRectZero);
    EXPECT_EQ(msgSend<RefPtr<Label>>(nothing, "label"), nullptr);
    EXPECT_EQ(msgSend<Class>(nothing, "class"), nullptr);
    EXPECT_EQ(msgSendSuper<int64_t>(objc_super { nullptr, tree.animal }, "sound"), 0);
}

TEST_F(Runtime, ClassMessagesGoThroughMetaclassesWithTheReceivingClass)
{
    EXPECT_EQ(msgSend<Class>(tree.animal, "whoAmI"), tree.animal);
    EXPECT_EQ(msgSend<Class>(tree.puppy, "whoAmI"), tree.puppy);
    EXPECT_EQ(msgSend<Class>(tree.dog, "class"), tree.dog);
    EXPECT_EQ(msgSend<Class>(dog, "class"), tree.dog);
    EXPECT_TRUE(class_getClassMethod(tree.puppy, sel_registerName("whoAmI")));
    EXPECT_EQ(class_getClassMethod(tree.puppy, sel_registerName("whoAmI")), class_getClassMethod(tree.animal, sel_registerName("whoAmI")));
    EXPECT_EQ(class_getClassMethod(tree.puppy, sel_registerName("sound")), nullptr);
}

TEST_F(Runtime, RespondsToSelectorTellsInstanceFromClassMethods)
{
    struct Case {
        id receiver;
        const char* selector;
        bool expected;
    };
    const Case cases[] = {
        { puppy.get(), "sound", true },
        { puppy.get(), "legs", true },
        { puppy.get(), "whoAmI", false },
        { puppy.get(), "bark", false },
        { tree.puppy, "whoAmI", true },
        { tree.puppy, "sound", false },
        { tree.puppy, "alloc", true },
        // Classes are instances of the root class too.
        { tree.puppy, "isKindOfClass:", true },
    };
    for (const Case& c : cases)
        EXPECT_EQ(msgSend<bool>(c.receiver, "respondsToSelector:", sel_registerName(c.selector)), c.expected) << c.selector;
    EXPECT_FALSE(class_respondsToSelector(nullptr, sel_registerName("sound")));
}

TEST_F(Runtime, KindAndMembership)
{
    Class root = objc_getClass("NSObject");
    struct Case {
        id object;
        Class cls;
        bool kind;
        bool member;
    };
    const Case cases[] = {
        { puppy.get(), tree.puppy, true, true },
        { puppy.get(), tree.dog, true, false },
        { puppy.get(), tree.animal, true, false },
        { puppy.get(), root, true, false },
        { dog.get(), tree.puppy, false, false },
        { animal.get(), tree.dog, false, false },
        { dog.get(), nullptr, false, false },
        // A class is a kind of the root class through its metaclasses.
        { tree.dog, root, true, false },
        { tree.dog, tree.animal, false, false },
        { tree.dog, object_getClass(tree.dog), true, true },
        { tree.dog, object_getClass(tree.animal), true, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(object_getClassName(c.object)) + " / " + class_getName(c.cls));
        EXPECT_EQ(msgSend<bool>(c.object, "isKindOfClass:", c.cls), c.kind);
        EXPECT_EQ(msgSend<bool>(c.object, "isMemberOfClass:", c.cls), c.member);
    }
}

TEST_F(Runtime, AddingAMethodIsRefusedOnlyWhereTheClassDefinesIt)
{
    IMP answer = imp_implementationWithBlock([](id) { return int64_t { 7 }; });
    std::string freshName = uniqueClassName("fresh");
    struct Case {
        Class cls;
        const char* selector;
        IMP implementation;
        bool added;
    };
    const Case cases[] = {
        { tree.dog, "sound", answer, false },             // Dog defines it
        { tree.puppy, "sound", answer, true },            // Puppy only inherits it
        { tree.dog, freshName.c_str(), answer, true },    // new
        { tree.dog, freshName.c_str(), answer, false },   // now defined
        { tree.animal, freshName.c_str(), answer, true }, // a subclass's method does not count
        { object_getClass(tree.dog), "whoAmI", imp_implementationWithBlock([](Class) { return Class(nullptr); }), true },
        { nullptr, "sound", answer, false },
        { tree.dog, nullptr, answer, false },
        { tree.dog, "other", IMP(), false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(class_getName(c.cls)) + " " + (c.selector ? c.selector : "(null)"));
        EXPECT_EQ(class_addMethod(c.cls, c.selector ? sel_registerName(c.selector) : nullptr, c.implementation), c.added);
    }
    EXPECT_EQ(msgSend<int64_t>(puppy, "sound"), 7);
    EXPECT_EQ(msgSend<int64_t>(dog, "sound"), 2);
    EXPECT_EQ(msgSend<Class>(tree.dog, "whoAmI"), nullptr);
    EXPECT_EQ(msgSend<Class>(tree.puppy, "whoAmI"), nullptr) << "inherited from Dog's new class method";
    EXPECT_EQ(msgSend<Class>(tree.animal, "whoAmI"), tree.animal);
}

TEST_F(Runtime, AddedMethodsAcceptTheDevicesTypeStrings)
{
    IMP conflicting = imp_implementationWithBlock([](id, Label*) { return true; });
    EXPECT_TRUE(class_addMethod(tree.dog, sel_registerName("isNamed:"), conflicting, "B@:@"));
    IMP closest = imp_implementationWithBlock([](id, CGPoint point) { return static_cast<uint64_t>(point.x); });
    std::string types = "Q@:" + typeEncoding<CGPoint>();
    EXPECT_TRUE(class_addMethod(tree.dog, sel_registerName("closestIndexToPoint:"), closest, types.c_str()));
    EXPECT_TRUE(class_addMethod(tree.dog, sel_registerName("withOffsets"), imp_implementationWithBlock([](id) { }), "v16@0:8"));
    EXPECT_EQ(msgSend<uint64_t>(puppy, "closestIndexToPoint:", CGPoint { 9, 1 }), 9u);
    EXPECT_TRUE(msgSend<bool>(puppy, "isNamed:", Label::create("rex")));
}

TEST_F(Runtime, ObjectsTravelAsArgumentsAndResults)
{
    RefPtr<Label> said = msgSend<RefPtr<Label>>(dog, "describe:", Label::create("rex"));
    ASSERT_TRUE(said);
    EXPECT_EQ(said->text(), "animal rex");
    EXPECT_EQ(said->retainCount(), 1u) << "the result is owned by the caller alone";
    EXPECT_EQ(msgSend<RefPtr<Label>>(dog, "describe:", nullptr)->text(), "animal nil");
    RefPtr<Object> asObject = msgSend<RefPtr<Object>>(dog, "describe:", said);
    EXPECT_NE(dynamic_cast<Label*>(asObject.get()), nullptr);
}

TEST_F(Runtime, SuperMessagesStartAtTheNamedClass)
{
    class_addMethod(tree.puppy, sel_registerName("sound"), imp_implementationWithBlock([](id self) {
        return 10 * msgSendSuper<int64_t>(objc_super { self, class_getSuperclass(object_getClass(self)) }, "sound");
    }));
    EXPECT_EQ(msgSend<int64_t>(puppy, "sound"), 20);
    EXPECT_EQ(msgSendSuper<int64_t>(objc_super { puppy.get(), tree.animal }, "sound"), 1);
}

TEST_F(Runtime, ReplacingAnImplementationAnswersTheOldOne)
{
    Method sound = class_getInstanceMethod(tree.dog, sel_registerName("sound"));
    IMP old = method_setImplementation(sound, imp_implementationWithBlock([](id) { return int64_t { 5 }; }));
    EXPECT_EQ(msgSend<int64_t>(puppy, "sound"), 5);
    EXPECT_EQ(old.call<int64_t>(puppy.get(), sel_registerName("sound")), 2);
    EXPECT_EQ(method_getImplementation(sound), class_getMethodImplementation(tree.puppy, sel_registerName("sound")));
    EXPECT_FALSE(method_setImplementation(nullptr, old));
    EXPECT_FALSE(method_getImplementation(nullptr));
}

TEST_F(Runtime, InstanceVariablesAreFoundThroughSuperclasses)
{
    struct Case {
        Class cls;
        const char* name;
        Class owner;
    };
    const Case cases[] = {
        { tree.puppy, "_legs", tree.animal },
        { tree.puppy, "_tricks", tree.dog },
        { tree.dog, "_owner", tree.animal },
        { tree.animal, "_tricks", nullptr },
        { tree.dog, "_missing", nullptr },
        { nullptr, "_legs", nullptr },
        { tree.dog, nullptr, nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(class_getName(c.cls)) + " " + (c.name ? c.name : "(null)"));
        Ivar ivar = class_getInstanceVariable(c.cls, c.name);
        EXPECT_EQ(ivar ? ivar->owner : nullptr, c.owner);
    }
    EXPECT_STREQ(ivar_getTypeEncoding(class_getInstanceVariable(tree.dog, "_legs")), "i");
    EXPECT_STREQ(ivar_getTypeEncoding(class_getInstanceVariable(tree.dog, "_position")), "{CGPoint=dd}");
    EXPECT_STREQ(ivar_getName(class_getInstanceVariable(tree.dog, "_owner")), "_owner");
    EXPECT_FALSE(class_addIvar(tree.dog, "_late", &Dog::m_tricks)) << "no variables after registration";
}

TEST_F(Runtime, InstanceVariablesReadAndWriteTheCppMembers)
{
    auto& cppPuppy = dynamic_cast<Dog&>(*puppy);
    Ivar legs = class_getInstanceVariable(tree.puppy, "_legs");
    Ivar owner = class_getInstanceVariable(tree.puppy, "_owner");
    Ivar position = class_getInstanceVariable(tree.puppy, "_position");

    object_setIvarValue(puppy.get(), legs, int32_t { 3 });
    EXPECT_EQ(cppPuppy.m_legs, 3);
    EXPECT_EQ(object_getIvarValue<int32_t>(puppy.get(), legs), 3);

    Ref<Label> rex = Label::create("rex");
    object_setIvar(puppy.get(), owner, rex.ptr());
    EXPECT_EQ(cppPuppy.m_owner.get(), rex.ptr());
    EXPECT_EQ(object_getIvar(puppy.get(), owner).get(), rex.ptr());

    // Through the offset handle, as the device's code reads a variable.
    ptrdiff_t offset = ivar_getOffset(position);
    EXPECT_NE(offset, 0);
    object_setIvarAtOffset(puppy.get(), offset, CGPoint { 4, 5 });
    EXPECT_EQ(cppPuppy.m_position, (CGPoint { 4, 5 }));
    EXPECT_EQ(object_getIvarAtOffset<CGPoint>(puppy.get(), offset), (CGPoint { 4, 5 }));
    EXPECT_EQ(object_getIvarAtOffset(puppy.get(), ivar_getOffset(owner)).get(), rex.ptr());

    // Nil objects and variables read as zero and write nothing.
    EXPECT_EQ(object_getIvar(nullptr, owner), nullptr);
    EXPECT_EQ(object_getIvar(puppy.get(), nullptr), nullptr);
    EXPECT_EQ(object_getIvarAtOffset(puppy.get(), 0), nullptr);
    EXPECT_EQ(ivar_getOffset(nullptr), 0);
    object_setIvar(nullptr, owner, nullptr);
    EXPECT_EQ(cppPuppy.m_owner.get(), rex.ptr());
}

TEST_F(Runtime, TheReceiverStaysAliveWhileItsMethodRuns)
{
    // A method that drops the last reference to its own receiver, as a view
    // removing itself from its only owner does.
    struct Holder {
        RefPtr<objc_object> held;
    };
    Holder holder { makeInstance(tree.dog) };
    WeakPtr<objc_object> weak(holder.held);
    std::string name = uniqueClassName("dropSelf");
    class_addMethod(tree.dog, sel_registerName(name.c_str()), imp_implementationWithBlock([&holder](Dog* self) {
        holder.held = nullptr;
        return self->m_legs; // still valid
    }));
    id raw = holder.held.get();
    EXPECT_EQ(msgSend<int32_t>(raw, name.c_str()), 4);
    EXPECT_FALSE(weak.lock()) << "released once the message returned";
}

// Sends remember what they found; every change of a method, however made,
// is seen from the next send on.
TEST_F(Runtime, ChangedMethodsAreSeenByTheNextSend)
{
    SEL sound = sel_registerName("sound");
    auto answering = [](int64_t value) { return imp_implementationWithBlock([value](id) { return value; }); };
    struct Case {
        const char* change;
        std::function<void()> make;
        int64_t puppySays;
    };
    const Case cases[] = {
        { "the subclass gets its own method", [&] { class_addMethod(tree.puppy, sound, answering(3)); }, 3 },
        { "its implementation is set", [&] { method_setImplementation(class_getInstanceMethod(tree.puppy, sound), answering(4)); }, 4 },
        { "it is hooked", [&] { MSHookMessageEx(tree.puppy, sound, answering(5), nullptr); }, 5 },
    };
    EXPECT_EQ(msgSend<int64_t>(puppy, "sound"), 2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        c.make();
        EXPECT_EQ(msgSend<int64_t>(puppy, "sound"), c.puppySays);
        EXPECT_EQ(msgSend<int64_t>(dog, "sound"), 2) << "the superclass keeps its own";
    }
    std::string added = uniqueClassName("added");
    class_addMethod(tree.animal, sel_registerName(added.c_str()), answering(9));
    EXPECT_EQ(msgSend<int64_t>(puppy, added.c_str()), 9) << "a method added above is inherited at once";
}

// A method that gives its own method another implementation, dropping the
// old one, goes on running safely: the runtime keeps what it replaced.
TEST_F(Runtime, AReplacedImplementationFinishesItsRun)
{
    std::string name = uniqueClassName("replaceSelf");
    SEL selector = sel_registerName(name.c_str());
    Ref<Label> captured = Label::create("still here");
    class_addMethod(tree.dog, selector, imp_implementationWithBlock([captured, selector](Dog* self) {
        method_setImplementation(class_getInstanceMethod(object_getClass(self), selector), imp_implementationWithBlock([](id) {
            return RefPtr<Label>(Label::create("replaced"));
        }));
        return RefPtr<Label>(Label::create(captured->text()));
    }));
    EXPECT_EQ(msgSend<RefPtr<Label>>(dog, name.c_str())->text(), "still here");
    EXPECT_EQ(msgSend<RefPtr<Label>>(dog, name.c_str())->text(), "replaced");
}

TEST_F(Runtime, ConcurrentSendsAndChanges)
{
    std::vector<std::thread> senders;
    std::atomic<bool> wrong { false };
    for (int t = 0; t < 4; ++t) {
        senders.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                int64_t sound = msgSend<int64_t>(puppy, "sound");
                if (sound != 2 && sound != 6)
                    wrong = true;
            }
        });
    }
    for (int i = 0; i < 200; ++i) {
        std::string name = uniqueClassName("Concurrent");
        Class cls = objc_allocateClassPair(tree.dog, name.c_str());
        objc_registerClassPair(cls);
        class_addMethod(cls, sel_registerName(name.c_str()), imp_implementationWithBlock([](id) { }));
    }
    Method sound = class_getInstanceMethod(tree.dog, sel_registerName("sound"));
    method_setImplementation(sound, imp_implementationWithBlock([](id) { return int64_t { 6 }; }));
    for (std::thread& sender : senders)
        sender.join();
    EXPECT_FALSE(wrong);
    EXPECT_EQ(msgSend<int64_t>(puppy, "sound"), 6);
}

TEST_F(RuntimeDeathTest, UnrecognizedSelectorsEndTheProcessSayingWhich)
{
    std::string instanceMessage = std::string("-\\[") + class_getName(tree.puppy) + " bark\\]: unrecognized selector sent to instance";
    EXPECT_DEATH(msgSend(puppy, "bark"), instanceMessage);
    std::string classMessage = std::string("\\+\\[") + class_getName(tree.puppy) + " sound\\]: unrecognized selector sent to class";
    EXPECT_DEATH(msgSend<int64_t>(tree.puppy, "sound"), classMessage);
}

TEST_F(RuntimeDeathTest, CallsWhoseTypesDifferFromTheMethodsEndTheProcess)
{
    // The result: legs answers a 32-bit integer.
    EXPECT_DEATH(msgSend<int64_t>(dog, "legs"), "sent with the types 'q@:' to an implementation of the types 'i@:'");
    // The arguments: a plain int where the method takes a point.
    class_addMethod(tree.dog, sel_registerName("moveTo:"), imp_implementationWithBlock([](id, CGPoint) { }));
    EXPECT_DEATH(msgSend(dog, "moveTo:", 3), "sent with the types 'v@:i' to an implementation of the types 'v@:\\{CGPoint=dd\\}'");
    // An object of another kind than the method declares.
    EXPECT_DEATH(msgSend<RefPtr<Label>>(dog, "describe:", dog), "given where .*Label is expected");
    // A type string that does not describe the implementation.
    EXPECT_DEATH(class_addMethod(tree.dog, sel_registerName("wrong"), imp_implementationWithBlock([](id) { return true; }), "v@:"),
        "types 'v@:' given for .* are not those of its implementation, 'B@:'");
}

TEST_F(RuntimeDeathTest, ObjectsWithoutARuntimeClassCannotReceiveMessages)
{
    Ref<Label> label = Label::create("plain");
    EXPECT_DEATH(msgSend(label, "length"), "length sent to .*Label that is no runtime object");
    class Unregistered : public objc_object { };
    EXPECT_DEATH(msgSend(makeRef<Unregistered>(), "length"), "that no runtime class was registered for");
}

TEST_F(RuntimeDeathTest, VariablesReadAsAnotherTypeOrOfAnotherClassEndTheProcess)
{
    Ivar tricks = class_getInstanceVariable(tree.dog, "_tricks");
    EXPECT_DEATH(object_getIvarValue<int32_t>(dog.get(), tricks), "_tricks .* has the type 'q', not 'i'");
    EXPECT_DEATH(object_getIvarValue<int64_t>(animal.get(), tricks), "has no instance variable _tricks");
}
