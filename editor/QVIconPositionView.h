#pragma once

#include "model/QVDevice.h"
#include "model/QVUtilities.h"
#include "platform/UIKit/UIImageView.h"
#include "platform/UIKit/UILabel.h"
#include "platform/UIKit/UIView.h"

namespace qv {

// The strip under an icon that reads its origin, "X: %i" and "Y: %i",
// while the icon is touched or dragged and under every selected icon.
class QVIconPositionView : public UIView {
public:
    std::string className() const override { return "QVIconPositionView"; }
    QVIconPositionView(CGRect frame, CGPoint iconCoords);

    // Both texts anew, the coordinates truncated toward zero.
    void setCoords(CGPoint coords);

    Ref<UILabel> xLabel() const { return m_xLabel; }
    Ref<UILabel> yLabel() const { return m_yLabel; }
    Ref<UIImageView> background() const { return m_background; }

protected:
    ~QVIconPositionView() override = default;

private:
    Ref<UILabel> makeLabel(CGRect frame) const;

    const Ref<QVDevice> m_device;
    const Ref<QVUtilities> m_utilities;
    Ref<UIImageView> m_background;
    Ref<UILabel> m_xLabel;
    Ref<UILabel> m_yLabel;
};

} // namespace qv
