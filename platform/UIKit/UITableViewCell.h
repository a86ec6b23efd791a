#pragma once

#include "UIImageView.h"
#include "UILabel.h"
#include "UIView.h"

#include <optional>
#include <string>

namespace qv {

enum UITableViewCellStyle : int64_t {
    UITableViewCellStyleDefault = 0,
    UITableViewCellStyleValue1 = 1,   // title at the left, detail at the right
    UITableViewCellStyleValue2 = 2,   // detail after a short title, no image
    UITableViewCellStyleSubtitle = 3, // detail below the title
};

enum UITableViewCellAccessoryType : int64_t {
    UITableViewCellAccessoryNone = 0,
    UITableViewCellAccessoryDisclosureIndicator = 1,
    UITableViewCellAccessoryDetailDisclosureButton = 2,
    UITableViewCellAccessoryCheckmark = 3,
    UITableViewCellAccessoryDetailButton = 4,
};

enum UITableViewCellSelectionStyle : int64_t {
    UITableViewCellSelectionStyleNone = 0,
    UITableViewCellSelectionStyleBlue = 1,
    UITableViewCellSelectionStyleGray = 2,
    UITableViewCellSelectionStyleDefault = 3,
};

enum UITableViewCellEditingStyle : int64_t {
    UITableViewCellEditingStyleNone = 0,
    UITableViewCellEditingStyleDelete = 1,
    UITableViewCellEditingStyleInsert = 2,
};

// One row of a table. Its content view holds the text label, the detail
// label (every style but the default one has it) and the image view
// (every style but value-2). An accessory view, when set, takes the place
// of the accessory type at the right edge; while the cell is editing the
// editing accessory view and type take the place of both. A cell made with
// a reuse identifier goes back to its table's queue when its row scrolls
// away or the table reloads, and comes out again through
// dequeueReusableCellWithIdentifier, after prepareForReuse.
class UITableViewCell : public UIView {
public:
    std::string className() const override { return "UITableViewCell"; }
    UITableViewCell(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier);

    UITableViewCellStyle style() const { return m_style; }
    const std::optional<std::string>& reuseIdentifier() const { return m_reuseIdentifier; }

    Ref<UIView> contentView() const { return m_contentView; }
    Ref<UILabel> textLabel() const { return m_textLabel; }
    RefPtr<UILabel> detailTextLabel() const { return m_detailTextLabel; }
    RefPtr<UIImageView> imageView() const { return m_imageView; }

    UITableViewCellAccessoryType accessoryType() const { return m_accessoryType; }
    void setAccessoryType(UITableViewCellAccessoryType type);
    RefPtr<UIView> accessoryView() const { return m_accessoryView; }
    void setAccessoryView(RefPtr<UIView> view);
    UITableViewCellAccessoryType editingAccessoryType() const { return m_editingAccessoryType; }
    void setEditingAccessoryType(UITableViewCellAccessoryType type);
    RefPtr<UIView> editingAccessoryView() const { return m_editingAccessoryView; }
    void setEditingAccessoryView(RefPtr<UIView> view);
    // The accessory view shown now, by the editing state.
    RefPtr<UIView> shownAccessoryView() const;

    UITableViewCellSelectionStyle selectionStyle() const { return m_selectionStyle; }
    void setSelectionStyle(UITableViewCellSelectionStyle style) { m_selectionStyle = style; }
    bool selected() const { return m_selected; }
    virtual void setSelected(bool selected, bool animated = false);
    bool highlighted() const { return m_highlighted; }
    virtual void setHighlighted(bool highlighted, bool animated = false);
    bool editing() const { return m_editing; }
    virtual void setEditing(bool editing, bool animated = false);
    bool showingDeleteConfirmation() const { return m_showingDeleteConfirmation; }

    virtual void prepareForReuse();
    void layoutSubviews() override;
    void setFrame(CGRect frame) override;

protected:
    ~UITableViewCell() override = default;

private:
    friend class UITableView;
    void showAccessory();

    UITableViewCellStyle m_style;
    std::optional<std::string> m_reuseIdentifier;
    Ref<UIView> m_contentView;
    Ref<UILabel> m_textLabel;
    RefPtr<UILabel> m_detailTextLabel;
    RefPtr<UIImageView> m_imageView;
    UITableViewCellAccessoryType m_accessoryType = UITableViewCellAccessoryNone;
    RefPtr<UIView> m_accessoryView;
    UITableViewCellAccessoryType m_editingAccessoryType = UITableViewCellAccessoryNone;
    RefPtr<UIView> m_editingAccessoryView;
    UITableViewCellSelectionStyle m_selectionStyle = UITableViewCellSelectionStyleDefault;
    bool m_selected = false;
    bool m_highlighted = false;
    bool m_editing = false;
    bool m_showingDeleteConfirmation = false;
};

} // namespace qv
