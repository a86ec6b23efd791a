// Every SpringBoard object reports the name of its class in the runtime:
// the classes that only name a kind of list, icon or folder as well as a
// class an extension makes at run time.

#include "SpringBoardTestSupport.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::sbtest;

namespace {

const ObjCMessage<SBIconListView, int64_t()> testMark { "testMark" };

class ClassNames : public SpringBoardTest { };

} // namespace

TEST_F(ClassNames, EveryKindOfObjectShowsItsRuntimeClass)
{
    launch();
    struct Case {
        Ref<NSObject> object;
        const char* className;
    };
    Ref<SBFolder> newsstand = folder("Newsstand");
    const Case cases[] = {
        { page(0), "SBRootIconListView" },
        { dock(), "SBDockIconListView" },
        { folderPage("Tools", 0), "SBFolderIconListView" },
        { *controller->folderControllerForFolder(newsstand.ptr())->listViews().front(), "SBNewsstandIconListView" },
        { icon("A1"), "SBApplicationIcon" },
        { icon("Tools"), "SBFolderIcon" },
        { icon("Newsstand"), "SBNewsstandIcon" },
        { icon("P"), "SBPlaceholderIcon" },
        { folder("Tools"), "SBFolder" },
        { newsstand, "SBNewsstandFolder" },
        { *controller->rootFolder(), "SBRootFolder" },
        { *controller, "SBIconController" },
        { viewOf(page(0), "A1"), "SBIconView" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.className);
        EXPECT_EQ(c.object->className(), c.className);
        EXPECT_STREQ(object_getClassName(dynamic_cast<objc_object*>(c.object.ptr())), c.className);
    }
    EXPECT_EQ(icon("Newsstand")->kindName(), "newsstand");
    EXPECT_EQ(icon("P")->kindName(), "placeholder");
    EXPECT_EQ(page(0)->kind(), SBIconListKind::Root);
    EXPECT_EQ(folderPage("Tools", 0)->kind(), SBIconListKind::Folder);
}

TEST_F(ClassNames, AListGivenAClassMadeAtRunTimeShowsThatClassAndKeepsItsKind)
{
    launch();
    static Class madeClass = [] {
        Class made = objc_allocateClassPair(objc_getClass("SBRootIconListView"), "QVTestRootIconListView");
        testMark.addMethod(made, [](SBIconListView*) { return int64_t { 42 }; });
        objc_registerClassPair(made);
        return made;
    }();
    Ref<SBIconListView> list = page(1);
    Class before = object_setClass(list.ptr(), madeClass);
    EXPECT_STREQ(class_getName(before), "SBRootIconListView");

    EXPECT_EQ(list->className(), "QVTestRootIconListView");
    EXPECT_NE(list->description().find("QVTestRootIconListView"), std::string::npos);
    EXPECT_EQ(testMark(list), 42);
    EXPECT_EQ(list->kind(), SBIconListKind::Root) << "still a page of the home screen";
    EXPECT_EQ(list->maxIcons(), SBIconListView::maxIcons(objc_getClass("SBRootIconListView")));
    list->layoutIconsNow();
    EXPECT_EQ(viewOf(list, "B2")->frame().origin, list->originForIconAtIndex(1));
}
