// The editor's tutorial chain: cards 0 to 8, each shown once, then the
// grid's own cards when the grid shows.
#include "QVLayoutMaker.h"

#include "QVTutorialController.h"

#include "model/QVPreferenceNames.h"
#include "model/QVSharedPreferences.h"
#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/Foundation/PerformSelector.h"

namespace qv {

namespace {

struct EditorCard {
    const char* title;
    CGFloat height;
    const char* message;
};

constexpr int32_t lastEditorCard = 8;
constexpr CGFloat editorCardWidth = 200;

constexpr EditorCard editorCards[] = {
    { "Welcome!", 150, "Thank you for downloading this app! It is a complete re-design from the old version (re-written from the ground up) and I'd like to show you some of the many, awesome, features!" },
    { "Quick Actions", 125, "Tap and hold anywhere on the main view to access quick actions like \"Delete All Icons\", \"Hide Buttons\", etc..." },
    { "Icon", 125, "Tap and drag on an Icon to move it around.\nTap and hold on an Icon for quick, useful options" },
    { "Options", 110, "Tap this button to view options, such as toggling icon labels, re-viewing this tutorial, etc..." },
    { "Add Icons", 130, "Tap this button to add Icons to the screen. If you tap and hold, you can type in the amount of icons you want on the screen (less or more)." },
    { "Save Layout", 155, "Tap this button to save the current layout on your screen. You can name it whatever you like except anything with a / in it. (/'s will be automatically filtered out of the name)" },
    { "Grid", 100, "There are alot of options with the grid, tap this button for more info." },
    { "Image", 165, "This app features alot of customization. When tapping this button, you can change the background and icon image from your favourite winterboard theme, or from your photo library / camera. (Themes must be installed to use)" },
    { "Orientation", 200, "When changing the device's orientation to landscape, or back to portrait, the last state the icons were in will be cached, then re-loaded when you turn back into that orientation. So if I had a 7x8 in portrait, the landscape can be anything, but when I go back to portrait, the 7x8 will be restored." },
};

Ref<QVTutorialController> makeEditorCard(int32_t key)
{
    const EditorCard& card = editorCards[key];
    return makeRef<QVTutorialController>(card.title, card.message, CGSizeMake(editorCardWidth, card.height), key);
}

} // namespace

void QVLayoutMaker::showTutorialCard(int32_t key)
{
    makeEditorCard(key)->showAsNextCard(view(), WeakPtr<QVTutorialControllerDelegate>(this));
    m_tutorialShowing = true;
}

void QVLayoutMaker::viewTutorial()
{
    Ref<QVTutorialController> first = makeEditorCard(0);
    if (!QVTutorialController::hasBeenSeen(0)) {
        showTutorialCard(0);
        return;
    }
    // The chain goes on as if the first card had just been dismissed.
    WeakPtr<QVLayoutMaker> weakThis(this);
    performSelector(*this, { "didDismissTutorialController:", [weakThis, first] {
        if (RefPtr<QVLayoutMaker> editor = weakThis.lock())
            editor->didDismissTutorialController(first.ptr());
    } }, nullptr, 0.01);
    if (!QVSharedPreferences::boolForKey(QVUsedFolderModeBeforeKey))
        showFolderModeAlert();
}

void QVLayoutMaker::didDismissTutorialController(QVTutorialController* controller)
{
    m_tutorialShowing = false;
    QVTutorialController::cardWentAway();
    if (!controller)
        return;
    controller->stepOverSeenCards(0, lastEditorCard, [this](int32_t key) { showTutorialCard(key); });
    if (controller->tutorialKey() == lastEditorCard && m_gridView && m_gridView->shown())
        m_gridView->viewTutorial();
    CFPreferencesAppSynchronize(QVPreferenceDomain);
}

} // namespace qv
