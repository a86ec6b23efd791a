// Saving: the choice of halves, the name prompt, and the writing of the
// layout file under the overwrite and renaming rules, each outcome told in
// an alert.
#include "QVLayoutMaker.h"

#include "model/QVDeviceType.h"
#include "model/QVLayoutKeys.h"
#include "platform/Foundation/StringFormat.h"
#include "platform/UIKit/UITextField.h"

namespace qv {

namespace {

// The longest file name the file system takes, in bytes.
constexpr size_t maximumFileNameLength = 255;
constexpr const char* plistExtension = ".plist";

std::string layoutPath(const std::string& folder, const std::string& name)
{
    return stringWithFormat("%@/%@.plist", folder, name);
}

} // namespace

bool QVLayoutMaker::isUsableLayoutName(const std::string& name)
{
    return !name.empty() && name.find('/') == std::string::npos && name.find('\0') == std::string::npos
        && name.size() + std::string(plistExtension).size() <= maximumFileNameLength;
}

void QVLayoutMaker::showMessage(const std::string& title, const std::string& message)
{
    m_lastAlert = makeRef<UIAlertView>(title, message, WeakPtr<UIAlertViewDelegate>(), std::string("Ok"));
    m_lastAlert->show();
}

void QVLayoutMaker::showSaveAlert()
{
    m_saveAlert = makeRef<UIAlertView>("Save Layout", "What would you like to name the layout?", WeakPtr<UIAlertViewDelegate>(this),
        std::string("Cancel"), std::vector<std::string> { "Save" });
    m_saveAlert->setAlertViewStyle(UIAlertViewStylePlainTextInput);
    if (RefPtr<UITextField> field = m_saveAlert->textFieldAtIndex(0)) {
        field->setPlaceholder("Layout Name");
        field->setDelegate(WeakPtr<UITextFieldDelegate>(this));
        field->setReturnKeyType(UIReturnKeyDone);
    }
    m_lastAlert = m_saveAlert;
    m_saveAlert->show();
}

void QVLayoutMaker::saveLayoutWithName(const std::string& typedName, bool portrait, bool landscape)
{
    // "/" would point into another folder: it is dropped. A name that is
    // then empty, or too long for a file, is asked for again.
    const std::string name = QVUtilities::currentUtilities()->filterLayoutName(typedName).value_or("");
    if (!isUsableLayoutName(name)) {
        showSaveAlert();
        return;
    }
    const int64_t orientation = interfaceOrientation();
    if (orientation < UIInterfaceOrientationPortrait || orientation > UIInterfaceOrientationLandscapeLeft)
        return;
    RefPtr<NSDictionary> layout = generateLayout(portrait, landscape);
    if (!layout) {
        showMessage("Failed to Save", landscapeOnScreen()
                ? stringWithFormat("Could not save layout: %@ because there aren't any portrait icons loaded. Please tilt your device into portrait and begin creating the portrait portion of your layout, or choose \"Save Landscape\" instead.", name)
                : stringWithFormat("Could not save layout: %@ because there aren't any landscape icons loaded. Please tilt your device into landscape and begin creating the landscape portion of your layout, or choose \"Save Portrait\" instead.", name));
        return;
    }
    // Both halves asked for and only one there: the alert says which.
    std::string missingHalf;
    if (portrait && landscape) {
        if (!layout->objectForKey(currentDeviceKey(QVOriginsStem, true)))
            missingHalf = "landscape";
        else if (!layout->objectForKey(currentDeviceKey(QVOriginsStem, false)))
            missingHalf = "portrait";
    }
    saveLayout(*layout, name, missingHalf);
}

void QVLayoutMaker::saveLayout(NSDictionary& layout, const std::string& name, const std::string& missingHalf)
{
    layout.setObject(m_folderModeEnabled, QVFolderLayoutKey);
    const std::string folder = m_settings->userLayoutPath();
    const std::string path = layoutPath(folder, name);
    const std::string onlyOneHalf = missingHalf.empty() ? std::string()
        : stringWithFormat(" Only the %@ half was saved: there are no %@ icons loaded.", missingHalf == "landscape" ? "portrait" : "landscape", missingHalf);

    if (!m_fileManager->fileExistsAtPath(path)) {
        if (writeLayout(layout, name))
            showMessage("Saved", stringWithFormat("The layout: %@ has been successfully saved! To manage it, press the \"Saved\" tab at the bottom", name) + onlyOneHalf);
        else
            showMessage("Failed to Save", stringWithFormat("The layout: %@ could not be written.", name));
        return;
    }
    if (m_reader->canOverwriteLayout(name)) {
        m_overwriteLayout = layout.mutableCopy();
        m_overwriteLayoutFilePath = path;
        m_overwriteLayoutName = name;
        // Halves of the existing file that this save does not hold are lost
        // with it; the question says so.
        std::string warning;
        RefPtr<NSDictionary> existing = NSDictionary::dictionaryWithContentsOfFile(path);
        for (const bool half : { false, true }) {
            const std::string key = currentDeviceKey(QVOriginsStem, half);
            if (existing && existing->objectForKey(key) && !layout.objectForKey(key))
                warning += stringWithFormat(" Its %@ half will be lost.", half ? "landscape" : "portrait");
        }
        m_lastAlert = makeRef<UIAlertView>(name, "File already exists, are you sure you want to overwrite?" + warning,
            WeakPtr<UIAlertViewDelegate>(this), std::string("Cancel"), std::vector<std::string> { "Overwrite" });
        m_lastAlert->show();
        return;
    }
    // A file this system did not make is never touched: the layout goes to
    // the first free numbered name.
    std::string candidate = name;
    std::string candidatePath = path;
    for (int counter = 1; m_fileManager->fileExistsAtPath(candidatePath); ++counter) {
        candidate = stringWithFormat("%@(%i)", name, counter);
        candidatePath = layoutPath(folder, candidate);
    }
    if (isUsableLayoutName(candidate) && writeLayout(layout, candidate))
        showMessage("Renamed", stringWithFormat("The layout: %@ already exists, but could not be overwritten because it was not created by this app. It was renamed to: %@", name, candidate) + onlyOneHalf);
    else
        showMessage("Failed to Save", stringWithFormat("The layout: %@ could not be written.", name));
}

void QVLayoutMaker::overwriteLayout()
{
    if (!m_overwriteLayout)
        return;
    Ref<NSDictionary> layout = m_overwriteLayout.toRef();
    const std::string name = m_overwriteLayoutName;
    if (isUsableLayoutName(name) && writeLayout(*layout, name))
        showMessage("Overwritten", stringWithFormat("The layout: %@ has been successfully overwritten! To manage it, press the \"Saved\" tab at the bottom", name));
    else
        showMessage("Failed to Save", stringWithFormat("The layout: %@ could not be written.", name));
}

} // namespace qv
