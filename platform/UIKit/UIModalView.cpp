#include "UIModalView.h"

#include "UITouchDriver.h"

#include "platform/core/Log.h"

#include <algorithm>

namespace qv {

namespace {

std::vector<Ref<UIModalView>>& onScreen()
{
    static auto* views = new std::vector<Ref<UIModalView>>; // lives as long as the process
    return *views;
}

} // namespace

UIModalView::UIModalView(std::string title)
    : m_title(std::move(title))
{
}

int64_t UIModalView::addButtonWithTitle(std::string title)
{
    m_buttonTitles.push_back(std::move(title));
    return numberOfButtons() - 1;
}

std::string UIModalView::buttonTitleAtIndex(int64_t index) const
{
    if (index < 0 || index >= numberOfButtons())
        return std::string();
    return m_buttonTitles[static_cast<size_t>(index)];
}

bool UIModalView::present()
{
    if (m_visible)
        return false;
    m_visible = true;
    onScreen().push_back(Ref<UIModalView>(*this));
    // A modal view takes the screen: the fingers on it no longer count.
    UITouchDriver::shared().cancelAllTouches();
    return true;
}

bool UIModalView::tapButtonWithTitle(const std::string& title)
{
    auto found = std::find(m_buttonTitles.begin(), m_buttonTitles.end(), title);
    if (found == m_buttonTitles.end()) {
        logLine("UIModalView: no button titled \"" + title + "\" to tap");
        return false;
    }
    return tapButtonAtIndex(found - m_buttonTitles.begin());
}

bool UIModalView::tapButtonAtIndex(int64_t index)
{
    if (!m_visible) {
        logLine("UIModalView: the buttons of a view that is not on screen cannot be tapped");
        return false;
    }
    if (index < 0 || index >= numberOfButtons()) {
        logLine("UIModalView: no button " + std::to_string(index) + " to tap");
        return false;
    }
    click(index);
    return true;
}

void UIModalView::click(int64_t buttonIndex)
{
    Ref<UIModalView> protect(*this);
    tellClicked(buttonIndex);
    // The delegate may have taken the view off the screen itself.
    dismissWithClickedButtonIndex(buttonIndex, true);
}

void UIModalView::dismissWithClickedButtonIndex(int64_t index, bool)
{
    if (!m_visible)
        return;
    Ref<UIModalView> protect(*this);
    tellWillDismiss(index);
    if (!m_visible)
        return; // dismissed meanwhile by the delegate
    m_visible = false;
    std::erase_if(onScreen(), [this](const Ref<UIModalView>& view) { return view.ptr() == this; });
    didLeaveScreen();
    tellDidDismiss(index);
}

std::vector<Ref<UIModalView>> UIModalView::visibleModalViews()
{
    return onScreen();
}

RefPtr<UIModalView> UIModalView::topmostModalView()
{
    if (onScreen().empty())
        return nullptr;
    return onScreen().back();
}

} // namespace qv
