#pragma once

#include "UIControl.h"

#include <string>
#include <vector>

namespace qv {

// A row of segments, one of which may be selected. A touch that lifts on a
// segment other than the selected one selects it and sends value changed;
// selecting from code sends nothing. The segments share the width equally.
// Made with items, the control takes 60 points of width per segment and a
// height of 29, its natural size here.
class UISegmentedControl : public UIControl {
public:
    std::string className() const override { return "UISegmentedControl"; }
    static constexpr int64_t noSegment = -1; // UISegmentedControlNoSegment

    explicit UISegmentedControl(CGRect frame = CGRectZero);
    explicit UISegmentedControl(std::vector<std::string> items);

    size_t numberOfSegments() const { return m_titles.size(); }
    // Empty for an index out of range.
    std::string titleForSegmentAtIndex(size_t index) const;
    void setTitle(std::string title, size_t forSegmentAtIndex);
    // The index is pinned to 0...count.
    void insertSegmentWithTitle(std::string title, size_t atIndex, bool animated);
    void removeSegmentAtIndex(size_t index, bool animated);
    void removeAllSegments();

    // noSegment when none is selected.
    int64_t selectedSegmentIndex() const { return m_selectedIndex; }
    // noSegment or an index in range; anything else is refused with a log line.
    void setSelectedSegmentIndex(int64_t index);

    // The user's tap on a segment.
    bool tapSegment(size_t index);

    void endTrackingWithTouch(UITouch& touch, UIEvent* event) override;

protected:
    ~UISegmentedControl() override = default;

private:
    std::vector<std::string> m_titles;
    int64_t m_selectedIndex = noSegment;
};

} // namespace qv
