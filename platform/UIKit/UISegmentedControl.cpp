#include "UISegmentedControl.h"

#include "UITouch.h"
#include "UITouchDriver.h"

#include "platform/core/Log.h"

#include <algorithm>

namespace qv {

namespace {

constexpr CGFloat segmentWidth = 60;
constexpr CGFloat naturalHeight = 29;

} // namespace

UISegmentedControl::UISegmentedControl(CGRect frame)
    : UIControl(frame)
{
}

UISegmentedControl::UISegmentedControl(std::vector<std::string> items)
    : UIControl(CGRectMake(0, 0, segmentWidth * static_cast<CGFloat>(items.size()), naturalHeight))
    , m_titles(std::move(items))
{
}

std::string UISegmentedControl::titleForSegmentAtIndex(size_t index) const
{
    return index < m_titles.size() ? m_titles[index] : std::string();
}

void UISegmentedControl::setTitle(std::string title, size_t forSegmentAtIndex)
{
    if (forSegmentAtIndex < m_titles.size())
        m_titles[forSegmentAtIndex] = std::move(title);
}

void UISegmentedControl::insertSegmentWithTitle(std::string title, size_t atIndex, bool)
{
    atIndex = std::min(atIndex, m_titles.size());
    m_titles.insert(m_titles.begin() + static_cast<std::ptrdiff_t>(atIndex), std::move(title));
    if (m_selectedIndex != noSegment && static_cast<size_t>(m_selectedIndex) >= atIndex)
        ++m_selectedIndex;
}

void UISegmentedControl::removeSegmentAtIndex(size_t index, bool)
{
    if (index >= m_titles.size())
        return;
    m_titles.erase(m_titles.begin() + static_cast<std::ptrdiff_t>(index));
    if (m_selectedIndex == static_cast<int64_t>(index))
        m_selectedIndex = noSegment;
    else if (m_selectedIndex > static_cast<int64_t>(index))
        --m_selectedIndex;
}

void UISegmentedControl::removeAllSegments()
{
    m_titles.clear();
    m_selectedIndex = noSegment;
}

void UISegmentedControl::setSelectedSegmentIndex(int64_t index)
{
    if (index != noSegment && (index < 0 || static_cast<size_t>(index) >= m_titles.size())) {
        logLine("UISegmentedControl: refused to select segment " + std::to_string(index) + " of "
            + std::to_string(m_titles.size()));
        return;
    }
    m_selectedIndex = index;
}

bool UISegmentedControl::tapSegment(size_t index)
{
    if (index >= m_titles.size()) {
        logLine("UISegmentedControl: there is no segment " + std::to_string(index) + " to tap");
        return false;
    }
    const CGFloat width = bounds().size.width / static_cast<CGFloat>(m_titles.size());
    return UITouchDriver::shared().tapView(*this, CGPointMake(bounds().origin.x + width * (static_cast<CGFloat>(index) + 0.5), CGRectGetMidY(bounds())));
}

void UISegmentedControl::endTrackingWithTouch(UITouch& touch, UIEvent* event)
{
    const CGPoint point = touch.locationInView(this);
    if (m_titles.empty() || !CGRectContainsPoint(bounds(), point))
        return;
    const CGFloat width = bounds().size.width / static_cast<CGFloat>(m_titles.size());
    const auto index = std::min(static_cast<int64_t>((point.x - bounds().origin.x) / width), static_cast<int64_t>(m_titles.size()) - 1);
    if (index == m_selectedIndex)
        return;
    m_selectedIndex = index;
    sendActionsForControlEvents(UIControlEventValueChanged, event);
}

} // namespace qv
