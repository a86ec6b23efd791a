// A small application for the driver's tests: a navigation controller
// whose screen holds a label, a button that changes it, and a table whose
// rows the bar's Add button adds to. It runs under DrivenApplicationMain and is
// driven through QV_DRIVER.

#include "platform/Driver/DrivenApplicationMain.h"
#include "platform/Driver/UIDriver.h"
#include "platform/Foundation/NSTimer.h"
#include "platform/UIKit/UIApplication.h"
#include "platform/UIKit/UIBarButtonItem.h"
#include "platform/UIKit/UIButton.h"
#include "platform/UIKit/UILabel.h"
#include "platform/UIKit/UINavigationController.h"
#include "platform/UIKit/UINavigationItem.h"
#include "platform/UIKit/UIScreen.h"
#include "platform/UIKit/UITableView.h"
#include "platform/UIKit/UIWindow.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace qv;

namespace {

class SampleScreen : public UIViewController, public UITableViewDataSource, public UITableViewDelegate {
public:
    std::string className() const override { return "SampleScreen"; }

    void viewDidLoad() override
    {
        setTitle("Sample");
        m_label = makeRef<UILabel>(CGRectMake(20, 80, 280, 30));
        m_label->setText("Waiting");
        view()->addSubview(m_label);
        Ref<UIButton> button = UIButton::buttonWithType(UIButtonTypeSystem);
        button->setFrame(CGRectMake(20, 120, 120, 30));
        button->setTitle(std::string("Tap Me"), UIControlStateNormal);
        button->addTarget(this, &SampleScreen::buttonTapped, UIControlEventTouchUpInside);
        view()->addSubview(button);
        m_table = makeRef<UITableView>(CGRectMake(0, 160, 320, 300), UITableViewStylePlain);
        m_table->setDataSource(WeakPtr<UITableViewDataSource>(this));
        m_table->setDelegate(WeakPtr<UITableViewDelegate>(this));
        view()->addSubview(m_table);
        navigationItem()->setRightBarButtonItem(makeRef<UIBarButtonItem>(UIBarButtonSystemItemAdd, this, &SampleScreen::addRow));
    }

    NSInteger tableViewNumberOfRowsInSection(UITableView*, NSInteger) override { return static_cast<NSInteger>(m_rows.size()); }
    Ref<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView*, NSIndexPath* path) override
    {
        Ref<UITableViewCell> cell = makeRef<UITableViewCell>(UITableViewCellStyleValue1, std::nullopt);
        cell->textLabel()->setText(m_rows[static_cast<size_t>(path->row())]);
        cell->detailTextLabel()->setText(std::to_string(path->row()));
        return cell;
    }
    void tableViewDidSelectRowAtIndexPath(UITableView*, NSIndexPath* path) override
    {
        m_label->setText("Chose " + m_rows[static_cast<size_t>(path->row())]);
    }

    int taps() const { return m_taps; }

private:
    void buttonTapped()
    {
        ++m_taps;
        m_label->setText("Tapped \"" + std::to_string(m_taps) + "\"");
    }
    void addRow()
    {
        m_rows.push_back("Row " + std::to_string(m_rows.size()));
        m_table->insertRowsAtIndexPaths({ NSIndexPath::indexPathForRow(static_cast<NSInteger>(m_rows.size()) - 1, 0) }, UITableViewRowAnimationAutomatic);
    }

    RefPtr<UILabel> m_label;
    RefPtr<UITableView> m_table;
    std::vector<std::string> m_rows { "Alpha", "Beta" };
    int m_taps = 0;
};

class SampleDelegate : public UIResponder, public UIApplicationDelegate {
public:
    RefPtr<UIWindow> window;
};

} // namespace

int main(int argc, char** argv)
{
    return DrivenApplicationMain(argc, argv, [] { return Ref<UIApplicationDelegate>(makeRef<SampleDelegate>()); },
        [](UIApplication&, UIApplicationDelegate& delegate) {
            Ref<SampleScreen> screen = makeRef<SampleScreen>();
            Ref<UIWindow> window = makeRef<UIWindow>(UIScreen::mainScreen().bounds());
            window->setRootViewController(makeRef<UINavigationController>(screen));
            window->makeKeyAndVisible();
            dynamic_cast<SampleDelegate&>(delegate).window = window;
            // What a host adds to the driver: a command and a dump section.
            WeakPtr<SampleScreen> weakScreen(screen);
            UIDriver::shared().registerCommand("taps", [weakScreen](const UIDriverCommand&, UIDriverResponse& response) {
                RefPtr<SampleScreen> strong = weakScreen.lock();
                response.members().member("taps", strong ? strong->taps() : -1);
            });
            // Writes to the standard output as a careless library would:
            // through stdio, with or without an end of line.
            UIDriver::shared().registerCommand("print", [](const UIDriverCommand& command, UIDriverResponse&) {
                std::printf("%s", command.rest().c_str());
            });
            // Arms a timer that is due at once and says how many armed
            // before have fired: one fires only when the run loop runs.
            UIDriver::shared().registerCommand("later", [](const UIDriverCommand&, UIDriverResponse& response) {
                static int fired = 0;
                response.members().member("fired", fired);
                NSTimer::scheduledTimerWithTimeInterval(0, [](NSTimer&) { ++fired; }, false);
            });
            UIDriver::shared().registerDumpSection("sample", [weakScreen](JSONWriter& writer) {
                RefPtr<SampleScreen> strong = weakScreen.lock();
                writer.beginObject().member("taps", strong ? strong->taps() : -1).endObject();
            });
        });
}
