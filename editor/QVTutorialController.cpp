#include "QVTutorialController.h"

#include "AppDelegate.h"

#include "model/QVPreferenceNames.h"
#include "model/QVSharedPreferences.h"
#include "model/QVUtilities.h"
#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/Foundation/NSNumber.h"

namespace qv {

QVTutorialController::QVTutorialController(std::string title, std::string message, CGSize contentSize, int32_t tutorialKey)
    : m_title(std::move(title))
    , m_message(std::move(message))
    , m_contentSize(contentSize)
    , m_tutorialKey(tutorialKey)
{
}

void QVTutorialController::showInView(UIView& host)
{
    Ref<QVTutorialView> view = makeRef<QVTutorialView>(host.frame(), m_title, m_message, m_contentSize);
    view->setDelegate(RefPtr<QVTutorialViewDelegate>(this));
    m_view = view;
    view->showInView(host);
}

void QVTutorialController::didDismissTutorialView(QVTutorialView*)
{
    Ref<QVTutorialController> protectedThis(*this);
    if (RefPtr<QVTutorialControllerDelegate> delegate = m_delegate.lock())
        delegate->didDismissTutorialController(this);
}

bool QVTutorialController::hasBeenSeen(int32_t key)
{
    const std::optional<std::string> name = QVUtilities::currentUtilities()->tutorialKey(key);
    if (!name)
        return false;
    // A number whose boolean value is YES; anything else is unseen.
    return QVSharedPreferences::boolForKey(*name);
}

void QVTutorialController::showAsNextCard(UIView& host, const WeakPtr<QVTutorialControllerDelegate>& owner)
{
    setDelegate(owner);
    showInView(host);
    // The flag is written as the card shows, so a card is never shown twice
    // even when the application ends with it on screen.
    if (const std::optional<std::string> name = QVUtilities::currentUtilities()->tutorialKey(m_tutorialKey)) {
        CFPreferencesSetAppValue(*name, NSNumber::numberWithBool(true), QVPreferenceDomain);
        CFPreferencesAppSynchronize(QVPreferenceDomain);
    }
    if (RefPtr<AppDelegate> appDelegate = AppDelegate::shared())
        appDelegate->setShouldAutoRotate(false);
}

void QVTutorialController::stepOverSeenCards(int32_t firstKey, int32_t lastKey, const std::function<void(int32_t key)>& showCard)
{
    for (int32_t key = firstKey; key < lastKey; ++key) {
        if (m_tutorialKey != key)
            continue;
        if (hasBeenSeen(key + 1))
            m_tutorialKey = key + 1;
        else
            showCard(key + 1);
    }
}

void QVTutorialController::cardWentAway()
{
    if (RefPtr<AppDelegate> appDelegate = AppDelegate::shared())
        appDelegate->setShouldAutoRotate(true);
}

} // namespace qv
