#pragma once

#include "QVThemeDetailViewDelegate.h"

#include "model/QVReader.h"
#include "model/QVSettings.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/UIKit/UITableViewController.h"

#include <string>

namespace qv {

// The images of one theme for the browse type, each row with its image:
// for icon images three sections ("Bundles", "Folders", "Icons"), for
// backgrounds one. Tapping a row hands its image to the theme.
class QVThemeDetailView : public UITableViewController {
public:
    std::string className() const override { return "QVThemeDetailView"; }
    QVThemeDetailView(UITableViewStyle style, std::string themeDirectory, std::string name, int32_t browseType,
        const WeakPtr<QVThemeDetailViewDelegate>& delegate);

    void viewDidLoad() override;
    void getImageList();

    NSInteger numberOfSectionsInTableView(UITableView*) override;
    std::optional<std::string> tableViewTitleForHeaderInSection(UITableView*, NSInteger section) override;
    NSInteger tableViewNumberOfRowsInSection(UITableView*, NSInteger section) override;
    Ref<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView*, NSIndexPath* indexPath) override;
    void tableViewDidSelectRowAtIndexPath(UITableView*, NSIndexPath* indexPath) override;

    const std::string& directory() const { return m_directory; }
    const std::string& name() const { return m_name; }
    Ref<NSDictionary> images() const { return m_images; }
    RefPtr<QVThemeDetailViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<QVThemeDetailViewDelegate>& delegate) { m_delegate = delegate; }

protected:
    ~QVThemeDetailView() override = default;

private:
    // The group a section lists, or nothing.
    std::optional<std::string> groupOfSection(NSInteger section) const;
    RefPtr<NSArray> entriesOfSection(NSInteger section) const;

    Ref<QVSettings> m_settings;
    Ref<QVReader> m_reader;
    Ref<NSDictionary> m_images;
    int32_t m_browseType;
    std::string m_directory;
    std::string m_name;
    WeakPtr<QVThemeDetailViewDelegate> m_delegate;
};

} // namespace qv
