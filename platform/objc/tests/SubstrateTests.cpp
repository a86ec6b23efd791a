#include "RuntimeTestClasses.h"

#include "platform/core/CoreTesting.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::objc_tests;

namespace {

class Substrate : public ClassTreeTest {
protected:
    SEL sound = sel_registerName("sound");
    SEL legs = sel_registerName("legs");
};

using SubstrateDeathTest = Substrate;

// A replacement that marks what it adds: the replaced answer times ten plus
// `mark`, so the tests can tell which implementations ran, in which order.
IMP tenfoldPlus(int64_t mark, IMP* replaced)
{
    return imp_implementationWithBlock([mark, replaced](id self) {
        return replaced->call<int64_t>(self, sel_registerName("sound")) * 10 + mark;
    });
}

} // namespace

TEST_F(Substrate, AMethodTheClassDefinesIsReplacedAndHandedBack)
{
    IMP original = class_getMethodImplementation(tree.dog, sound);
    IMP replaced;
    MSHookMessageEx(tree.dog, sound, tenfoldPlus(3, &replaced), &replaced);
    EXPECT_EQ(replaced, original);
    EXPECT_EQ(msgSend<int64_t>(dog, "sound"), 23);
    EXPECT_EQ(msgSend<int64_t>(animal, "sound"), 1) << "the superclass keeps its own";
    EXPECT_EQ(replaced.call<int64_t>(dog.get(), sound), 2) << "the saved implementation is callable";
}

TEST_F(Substrate, SubclassesThatDoNotOverrideReachTheReplacement)
{
    IMP replaced;
    MSHookMessageEx(tree.dog, sound, tenfoldPlus(3, &replaced), &replaced);
    EXPECT_EQ(msgSend<int64_t>(puppy, "sound"), 23);

    // A subclass with its own method keeps it.
    Class own = objc_allocateClassPair(tree.dog, uniqueClassName("OwnSound").c_str());
    class_addMethod(own, sound, imp_implementationWithBlock([](id) { return int64_t { 9 }; }));
    objc_registerClassPair(own);
    EXPECT_EQ(msgSend<int64_t>(makeInstance(own), "sound"), 9);
}

TEST_F(Substrate, AnInheritedMethodIsAddedAndPassesOnToTheSuperclassAtCallTime)
{
    IMP puppyReplaced;
    MSHookMessageEx(tree.puppy, sound, tenfoldPlus(4, &puppyReplaced), &puppyReplaced);
    ASSERT_TRUE(puppyReplaced);
    EXPECT_TRUE(class_getInstanceMethod(tree.puppy, sound) != class_getInstanceMethod(tree.dog, sound)) << "added on Puppy itself";
    EXPECT_EQ(msgSend<int64_t>(puppy, "sound"), 24);
    EXPECT_EQ(msgSend<int64_t>(dog, "sound"), 2) << "the superclass is untouched";

    // A later hook on the superclass is honoured by the saved implementation.
    IMP dogReplaced;
    MSHookMessageEx(tree.dog, sound, tenfoldPlus(3, &dogReplaced), &dogReplaced);
    EXPECT_EQ(msgSend<int64_t>(puppy, "sound"), 234);
    EXPECT_EQ(puppyReplaced.call<int64_t>(puppy.get(), sound), 23);
}

TEST_F(Substrate, HooksOnTheSameMethodChain)
{
    IMP first, second;
    MSHookMessageEx(tree.dog, sound, tenfoldPlus(3, &first), &first);
    MSHookMessageEx(tree.dog, sound, tenfoldPlus(5, &second), &second);
    EXPECT_EQ(msgSend<int64_t>(dog, "sound"), 235);
}

TEST_F(Substrate, ClassSideReplacementsSeeTheSubclassThatWasSentTheMessage)
{
    SEL whoAmI = sel_registerName("whoAmI");
    IMP replaced;
    Class seen = nullptr;
    MSHookMessageEx(object_getClass(tree.animal), whoAmI, imp_implementationWithBlock([&](Class self) {
        seen = self;
        return replaced.call<Class>(self, sel_registerName("whoAmI"));
    }), &replaced);
    EXPECT_EQ(msgSend<Class>(tree.puppy, "whoAmI"), tree.puppy);
    EXPECT_EQ(seen, tree.puppy);

    // Hooked on a subclass's metaclass that only inherits it.
    IMP dogReplaced;
    MSHookMessageEx(object_getClass(tree.dog), whoAmI, imp_implementationWithBlock([&](Class self) {
        return class_getSuperclass(dogReplaced.call<Class>(self, sel_registerName("whoAmI")));
    }), &dogReplaced);
    EXPECT_EQ(msgSend<Class>(tree.puppy, "whoAmI"), tree.dog);
    EXPECT_EQ(seen, tree.puppy) << "the superclass's replacement ran with the same receiver";
    EXPECT_EQ(msgSend<Class>(tree.animal, "whoAmI"), tree.animal);
}

TEST_F(Substrate, AnAbsentClassOrMethodChangesNothing)
{
    IMP replaced;
    LogCapture log;
    MSHookMessageEx(nullptr, sound, tenfoldPlus(3, &replaced), &replaced);
    EXPECT_FALSE(replaced);
    EXPECT_TRUE(log.lines().empty()) << "an absent class is not worth a word";

    MSHookMessageEx(tree.dog, sel_registerName("bark"), tenfoldPlus(3, &replaced), &replaced);
    EXPECT_FALSE(replaced);
    EXPECT_FALSE(class_respondsToSelector(tree.dog, sel_registerName("bark")));
    EXPECT_TRUE(log.contains("bark] not found"));

    MSHookMessageEx(tree.dog, sound, IMP(), &replaced);
    EXPECT_FALSE(replaced);
    EXPECT_EQ(msgSend<int64_t>(dog, "sound"), 2);

    // Without a place for the saved implementation the hook still goes in.
    MSHookMessageEx(tree.dog, sound, imp_implementationWithBlock([](id) { return int64_t { 8 }; }), nullptr);
    EXPECT_EQ(msgSend<int64_t>(dog, "sound"), 8);
}

TEST_F(SubstrateDeathTest, AReplacementOfOtherTypesIsAFault)
{
    EXPECT_DEATH(MSHookMessageEx(tree.dog, sound, imp_implementationWithBlock([](id) { return int32_t { 1 }; }), nullptr),
        "has the types 'q@:', the replacement 'i@:'");
    EXPECT_DEATH(MSHookMessageEx(tree.puppy, legs, imp_implementationWithBlock([](id) { return true; }), nullptr),
        "has the types 'i@:', the replacement 'B@:'");
}
