#pragma once

#include "model/QVLayout.h"
#include "platform/Foundation/NSURL.h"

#include <cstdint>
#include <string>

namespace qv {

// One layout of the layout server's list: its name, the address its file
// is fetched from and its download count, and whether its row is the
// expanded one. It has no file here: its data and thumbnail are fetched
// from the server whenever asked for, and kept by no one but the asker.
class QVUploadedLayout : public QVLayout {
    QV_MAKE_REF_FRIEND;

public:
    // A server-listed layout cannot be made from a file: always nothing.
    static RefPtr<QVUploadedLayout> create(const std::string& name, bool isDefaultLayout);
    // Nothing is fetched yet.
    static Ref<QVUploadedLayout> create(RefPtr<NSURL> layoutFromURL, std::string withName, int32_t downloads);

    // The layout file as the server sends it now, loaded synchronously
    // within a time-out and a size cap; nothing when there is no address,
    // the load fails or the answer is no property-list dictionary. Not repaired or upgraded.
    RefPtr<NSDictionary> layoutData() const override;
    // Stored, but never returned by layoutData().
    void setLayoutData(RefPtr<NSDictionary> data) override { m_layoutData = std::move(data); }
    // A new thumbnail of a fresh load at every call.
    RefPtr<QVLayoutPreview> layoutPreview() const override;
    // Stored, but never returned by layoutPreview().
    void setLayoutPreview(RefPtr<QVLayoutPreview> preview) override { m_layoutPreview = std::move(preview); }

    std::string layoutName() const override { return m_layoutName; }
    void setLayoutName(std::string name) override { m_layoutName = std::move(name); }
    RefPtr<NSURL> layoutURL() const { return m_layoutURL; }
    void setLayoutURL(RefPtr<NSURL> url) { m_layoutURL = std::move(url); }
    int32_t layoutDownloads() const { return m_layoutDownloads; }
    void setLayoutDownloads(int32_t downloads) { m_layoutDownloads = downloads; }
    bool selected() const { return m_selected; }
    void setSelected(bool selected) { m_selected = selected; }

    std::string className() const override { return "QVUploadedLayout"; }

    // The thumbnail's frame in the server list.
    static CGRect previewFrame(bool iPad);

private:
    QVUploadedLayout(RefPtr<NSURL> url, std::string name, int32_t downloads);

    bool m_selected = false;
    RefPtr<NSURL> m_layoutURL;
    std::string m_layoutName;
    int32_t m_layoutDownloads;
    RefPtr<NSDictionary> m_layoutData;
    RefPtr<QVLayoutPreview> m_layoutPreview;
};

} // namespace qv
