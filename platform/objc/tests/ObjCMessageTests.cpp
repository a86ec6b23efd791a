// Messages declared once, with their types: the definition, the sends, the
// replacement and the saved implementation all come from the declaration.

#include "RuntimeTestClasses.h"

#include "platform/Foundation/NSObject.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::objc_tests;

namespace {

const ObjCMessage<Animal, int64_t()> sound { "sound" };
const ObjCMessage<Animal, int32_t()> legs { "legs" };
const ObjCMessage<Animal, RefPtr<Label>(Label*)> describe { "describe:" };
const ObjCClassMessage<Class()> whoAmI { "whoAmI" };
// Defined by the tests on classes of their own.
const ObjCMessage<Animal, CGPoint(int64_t, uint64_t, CGFloat)> place { "placeAtIndex:slot:scale:" };
const ObjCClassMessage<uint64_t(int64_t)> capacity { "capacityForOrientation:" };

// What must not compile, asked without compiling it.
template<typename Message, typename... Arguments>
concept Sendable = requires(const Message& message, Arguments... arguments) { message(arguments...); };

template<typename Message, typename Replacement>
concept Hookable = requires(const Message& message, Replacement replacement, typename Message::Saved* saved) {
    message.hook(Class(), replacement, saved);
};

int64_t Animal_sound_wrongResult(Animal*, SEL)
{
    return 0;
}

int32_t Animal_legs_wrongArgument(Animal*, SEL, int32_t)
{
    return 0;
}

int64_t Animal_sound_hook(Animal*, SEL);

static_assert(Sendable<decltype(sound), Animal*>);
static_assert(Sendable<decltype(sound), RefPtr<Dog>>, "a subclass receives its superclass's messages");
static_assert(!Sendable<decltype(sound), Label*>, "a receiver of another kind");
static_assert(!Sendable<decltype(sound), Animal*, int>, "an argument too many");
static_assert(!Sendable<decltype(describe), Animal*, Animal*>, "an argument of another kind");
static_assert(!Sendable<decltype(whoAmI), Animal*>, "an instance where a class receives the message");
static_assert(Hookable<decltype(sound), decltype(&Animal_sound_hook)>);
static_assert(!Hookable<decltype(legs), decltype(&Animal_sound_wrongResult)>, "a replacement answering another type");
static_assert(!Hookable<decltype(legs), decltype(&Animal_legs_wrongArgument)>, "a replacement taking an argument the message lacks");

ObjCSavedImplementation<Animal, int64_t()> savedSound;

int64_t Animal_sound_hook(Animal* self, SEL)
{
    return savedSound(self) * 10 + 7;
}

// A runtime object with a base of the device's class tree.
class Gadget : public RuntimeInstance<NSObject> {
    QV_MAKE_REF_FRIEND;

public:
    static Ref<Gadget> create() { return makeRef<Gadget>(); }

private:
    Gadget() = default;
    ~Gadget() override = default;
};

Class gadgetClass()
{
    static Class cls = [] {
        Class made = objc_allocateClassPair<Gadget>(objc_getClass("NSObject"), "Gadget", [] { return Gadget::create(); });
        objc_registerClassPair(made);
        return made;
    }();
    return cls;
}

} // namespace

class ObjCMessages : public ClassTreeTest {
protected:
    Animal* asAnimal(const RefPtr<objc_object>& object) { return dynamic_cast<Animal*>(object.get()); }
};
using ObjCMessagesDeathTest = ObjCMessages;

TEST_F(ObjCMessages, SendsGoThroughTheRuntimeAndNilAnswersZero)
{
    EXPECT_EQ(sound(asAnimal(dog)), 2);
    EXPECT_EQ(sound(asAnimal(puppy)), 2);
    EXPECT_EQ(legs(asAnimal(animal)), 4);
    EXPECT_EQ(sound(RefPtr<Animal>()), 0);
    RefPtr<Label> described = describe(asAnimal(animal), Label::create("cat").ptr());
    ASSERT_TRUE(described);
    EXPECT_EQ(described->text(), "animal cat");
    EXPECT_EQ(whoAmI(tree.puppy), tree.puppy);
}

TEST_F(ObjCMessages, ArgumentsConvertToTheDeclaredTypes)
{
    Class cls = objc_allocateClassPair(tree.dog, uniqueClassName("Placer").c_str());
    ASSERT_TRUE(place.addMethod(cls, [](Animal*, int64_t index, uint64_t slot, CGFloat scale) {
        return CGPointMake(static_cast<CGFloat>(index), static_cast<CGFloat>(slot) * scale);
    }));
    EXPECT_FALSE(place.addMethod(cls, [](Animal*, int64_t, uint64_t, CGFloat) { return CGPointZero; })) << "defined once";
    ASSERT_TRUE(capacity.addMethod(cls, [](Class, int64_t orientation) { return static_cast<uint64_t>(orientation * 4); }));
    objc_registerClassPair(cls);
    RefPtr<objc_object> placer = makeInstance(cls);
    auto* animalPlacer = dynamic_cast<Animal*>(placer.get());

    // Plain int and float literals, as a caller on the device writes them.
    CGPoint point = place(animalPlacer, -3, 5, 0.5f);
    EXPECT_EQ(point.x, -3);
    EXPECT_EQ(point.y, 2.5);
    EXPECT_EQ(capacity(cls, 3), 12u) << "a class message goes to the metaclass";
    EXPECT_STREQ(method_getTypeEncoding(class_getInstanceMethod(cls, place.selector())), "{CGPoint=dd}@:qQd");
    EXPECT_EQ(decltype(place)::types(), "{CGPoint=dd}@:qQd");
}

TEST_F(ObjCMessages, AReplacementSavesWhatItReplacedWithTheMessagesTypes)
{
    MSHookMessageEx(tree.dog, sound, &Animal_sound_hook, &savedSound);
    ASSERT_TRUE(savedSound);
    EXPECT_EQ(sound(asAnimal(dog)), 27);
    EXPECT_EQ(sound(asAnimal(puppy)), 27);
    EXPECT_EQ(sound(asAnimal(animal)), 1);
    EXPECT_EQ(savedSound(asAnimal(dog)), 2);

    // A block replacement on a class message, hooked through the class itself.
    ObjCSavedImplementation<objc_class, Class()> savedWhoAmI;
    Class seen = nullptr;
    whoAmI.hook(tree.animal, [&](Class self) {
        seen = self;
        return savedWhoAmI(self);
    }, &savedWhoAmI);
    EXPECT_EQ(whoAmI(tree.puppy), tree.puppy);
    EXPECT_EQ(seen, tree.puppy);
}

TEST_F(ObjCMessages, NothingHookedLeavesTheSavedImplementationAbsentAndItAnswersZero)
{
    ObjCSavedImplementation<Animal, int64_t()> saved;
    const ObjCMessage<Animal, int64_t()> bark { "bark" };
    bark.hook(tree.dog, [](Animal*) { return int64_t { 5 }; }, &saved);
    EXPECT_FALSE(saved);
    EXPECT_EQ(saved(asAnimal(dog)), 0) << "an absent implementation is never called";
    sound.hook(nullptr, [](Animal*) { return int64_t { 5 }; }, &saved);
    EXPECT_FALSE(saved);
}

TEST(RuntimeInstanceNames, AnInstanceShowsTheNameOfItsRuntimeClass)
{
    Class gadget = gadgetClass();
    EXPECT_EQ(Gadget::create()->className(), "Gadget") << "a C++ object of a registered type";

    // A class made at run time, as an extension makes one, and an object
    // given that class.
    std::string subclassName = uniqueClassName("FancyGadget");
    Class fancy = objc_allocateClassPair(gadget, subclassName.c_str());
    objc_registerClassPair(fancy);
    RefPtr<objc_object> made = class_createInstance(fancy);
    auto* madeGadget = dynamic_cast<Gadget*>(made.get());
    ASSERT_TRUE(madeGadget);
    EXPECT_EQ(madeGadget->className(), subclassName);

    Ref<Gadget> changed = Gadget::create();
    EXPECT_EQ(object_setClass(changed.ptr(), fancy), gadget);
    EXPECT_EQ(changed->className(), subclassName);
    EXPECT_EQ(changed->description().rfind("<" + subclassName, 0), 0u) << changed->description();
    EXPECT_EQ(object_setClass(changed.ptr(), gadget), fancy) << "and back";
    EXPECT_EQ(changed->className(), "Gadget");
}

TEST_F(ObjCMessagesDeathTest, AnObjectCannotBecomeAnInstanceOfAClassOfAnotherCppType)
{
    Ref<Gadget> gadget = Gadget::create();
    gadgetClass();
    EXPECT_DEATH(object_setClass(gadget.ptr(), tree.dog), "cannot become an instance of");
    EXPECT_DEATH(object_setClass(dog.get(), tree.animal), "cannot become an instance of");
}
