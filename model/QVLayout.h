#pragma once

#include "model/QVLayoutPreview.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSObject.h"

#include <optional>
#include <string>

#if defined(QV_MODEL_APPLICATION)
#include "model/QVDevice.h"
#include "model/QVReader.h"
#endif

namespace qv {

// One layout file as the layout lists show it: its name and path, its
// content, the flags the lists need and a thumbnail. A snapshot taken when
// made; it does not follow later changes of its file.
//
// In the application the content is repaired and upgraded to the running
// device's keys, and the file is written back with it, every time an
// object is made. The Settings bundle reads the file and never writes it.
class QVLayout : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    // The file `name` (with its ".plist") in the default layouts folder or
    // in the user layouts folder. A file that is missing or holds no
    // dictionary still makes an object: no data, both file flags NO, a
    // thumbnail without dots, and no file written.
    static Ref<QVLayout> create(const std::string& name, bool isDefaultLayout);

    virtual std::string layoutName() const { return m_layoutName; }
    virtual void setLayoutName(std::string name) { m_layoutName = std::move(name); }
    std::optional<std::string> layoutPath() const { return m_layoutPath; }
    void setLayoutPath(std::optional<std::string> path) { m_layoutPath = std::move(path); }
    virtual RefPtr<NSDictionary> layoutData() const { return m_layoutData; }
    virtual void setLayoutData(RefPtr<NSDictionary> data) { m_layoutData = std::move(data); }
    virtual RefPtr<QVLayoutPreview> layoutPreview() const { return m_layoutPreview; }
    virtual void setLayoutPreview(RefPtr<QVLayoutPreview> preview) { m_layoutPreview = std::move(preview); }
    // Made by the application ("QV").
    bool QV() const { return m_QV; }
    void setQV(bool madeByApplication) { m_QV = madeByApplication; }
    // Meant for the inside of a folder ("FolderLayout").
    bool folderLayout() const { return m_folderLayout; }
    void setFolderLayout(bool folderLayout) { m_folderLayout = folderLayout; }
    // Kept in the default layouts folder.
    bool defaultLayout() const { return m_defaultLayout; }
    void setDefaultLayout(bool defaultLayout) { m_defaultLayout = defaultLayout; }

    std::string className() const override { return "QVLayout"; }

    // The thumbnail's frame in the saved layouts list.
    static CGRect previewFrame(bool iPad);

protected:
    QVLayout() = default;
    ~QVLayout() override = default;

#if defined(QV_MODEL_APPLICATION)
    RefPtr<QVDevice> m_device;
    RefPtr<NSFileManager> m_fileManager;
    RefPtr<QVReader> m_reader;
#endif

private:
    void load(const std::string& name, bool isDefaultLayout);

    bool m_QV = false;
    bool m_folderLayout = false;
    bool m_defaultLayout = false;
    std::optional<std::string> m_layoutPath;
    std::string m_layoutName;
    RefPtr<QVLayoutPreview> m_layoutPreview;
    RefPtr<NSDictionary> m_layoutData;
};

} // namespace qv
