#pragma once

#include "QVTutorialControllerDelegate.h"
#include "QVTutorialView.h"

#include "platform/Foundation/NSObject.h"
#include "platform/core/WeakPtr.h"

#include <cstdint>
#include <functional>
#include <string>

namespace qv {

// Builds one tutorial card and passes its dismissal on to the chain that
// showed it. The card's overlay keeps the controller alive while it shows.
//
// The chains (the editor's and the grid's) show their cards by one rule:
// a card whose seen flag is set is stepped over; any other is shown, its
// flag written at once and rotation switched off until it is dismissed.
class QVTutorialController : public NSObject, public QVTutorialViewDelegate {
public:
    std::string className() const override { return "QVTutorialController"; }
    QVTutorialController(std::string title, std::string message, CGSize contentSize, int32_t tutorialKey);

    // A card over the host view's whole frame, with this controller as its
    // delegate.
    void showInView(UIView& host);
    void didDismissTutorialView(QVTutorialView* view) override;

    int32_t tutorialKey() const { return m_tutorialKey; }
    void setTutorialKey(int32_t key) { m_tutorialKey = key; }
    // Not retained: the chain's owner outlives its cards, and a card on its
    // owner's own view would otherwise keep the owner alive for ever.
    RefPtr<QVTutorialControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<QVTutorialControllerDelegate>& delegate) { m_delegate = delegate; }

    const std::string& title() const { return m_title; }
    const std::string& message() const { return m_message; }
    CGSize contentSize() const { return m_contentSize; }
    // The overlay of the latest showInView, or null.
    RefPtr<QVTutorialView> tutorialView() const { return m_view.lock(); }

    // Whether the seen flag of card `key` reads as YES in the shared
    // preference domain (a number whose boolean value is YES).
    static bool hasBeenSeen(int32_t key);
    // The chain's showing step: makes the owner the delegate, shows the card
    // in the host, writes its seen flag, synchronises the domain and turns
    // rotation off. The owner marks its card as showing.
    void showAsNextCard(UIView& host, const WeakPtr<QVTutorialControllerDelegate>& owner);
    // The chain's step after a dismissal: rotation back on.
    static void cardWentAway();
    // The next card of a chain of cards firstKey...lastKey after this one:
    // each card after it already seen moves its key on, so the following
    // test looks one card further; the first unseen one is shown (and its
    // own dismissal goes on from there). The key is read afresh each time.
    void stepOverSeenCards(int32_t firstKey, int32_t lastKey, const std::function<void(int32_t key)>& showCard);

protected:
    ~QVTutorialController() override = default;

private:
    const std::string m_title;
    const std::string m_message;
    const CGSize m_contentSize;
    WeakPtr<QVTutorialControllerDelegate> m_delegate;
    int32_t m_tutorialKey;
    WeakPtr<QVTutorialView> m_view;
};

} // namespace qv
