#pragma once

#include "UIControl.h"
#include "UIImage.h"
#include "UIImageView.h"
#include "UILabel.h"

#include <map>
#include <optional>
#include <string>

namespace qv {

enum UIButtonType : int64_t {
    UIButtonTypeCustom = 0,
    UIButtonTypeSystem = 1,
    UIButtonTypeDetailDisclosure = 2,
    UIButtonTypeInfoLight = 3,
    UIButtonTypeInfoDark = 4,
    UIButtonTypeContactAdd = 5,
    UIButtonTypeRoundedRect = UIButtonTypeSystem,
};

// A control that shows a title and images for each of its states. A state
// without a value of its own shows the normal state's. The title label and
// the image view are subviews of the button and follow its state.
class UIButton : public UIControl {
public:
    std::string className() const override { return "UIButton"; }
    // A custom button with the frame.
    explicit UIButton(CGRect frame = CGRectZero);
    // The contact-add and information buttons come at their natural size
    // (22 by 22); the others with an empty frame.
    static Ref<UIButton> buttonWithType(UIButtonType type);

    UIButtonType buttonType() const { return m_type; }

    void setTitle(std::optional<std::string> title, uint64_t state);
    void setTitleColor(RefPtr<UIColor> color, uint64_t state);
    void setImage(RefPtr<UIImage> image, uint64_t state);
    void setBackgroundImage(RefPtr<UIImage> image, uint64_t state);
    // Empty when neither the state nor the normal state has a title.
    std::string titleForState(uint64_t state) const;
    // The system button's blue, or white for a custom button, unless set.
    Ref<UIColor> titleColorForState(uint64_t state) const;
    RefPtr<UIImage> imageForState(uint64_t state) const;
    RefPtr<UIImage> backgroundImageForState(uint64_t state) const;

    std::string currentTitle() const { return titleForState(state()); }
    Ref<UIColor> currentTitleColor() const { return titleColorForState(state()); }
    RefPtr<UIImage> currentImage() const { return imageForState(state()); }
    RefPtr<UIImage> currentBackgroundImage() const { return backgroundImageForState(state()); }

    // Its font is the title's font.
    Ref<UILabel> titleLabel() const { return m_titleLabel; }
    Ref<UIImageView> imageView() const { return m_imageView; }

    void setEnabled(bool enabled) override;
    void setSelected(bool selected) override;
    void setHighlighted(bool highlighted) override;

protected:
    ~UIButton() override = default;

private:
    QV_MAKE_REF_FRIEND;
    UIButton(UIButtonType type, CGRect frame);

    struct Content {
        std::optional<std::string> title;
        RefPtr<UIColor> titleColor;
        RefPtr<UIImage> image;
        RefPtr<UIImage> backgroundImage;
    };
    // The value of the state, or else of the normal state.
    template<typename Value>
    Value lookUp(uint64_t state, Value Content::*field) const;
    void showCurrentState();

    UIButtonType m_type;
    std::map<uint64_t, Content> m_contents;
    Ref<UILabel> m_titleLabel;
    Ref<UIImageView> m_imageView;
};

} // namespace qv
