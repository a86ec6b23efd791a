#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The value of "CurrentLayout", of a page key and of a folder key: a layout's
// file name with its ".plist", then "//", then the folder word, "DEFAULT"
// for the default layouts folder or "USER" for the user layouts folder.
// A parsed reference always names a file inside one of the two folders,
// or, with an empty file name, the folder itself.
class QVLayoutReference {
public:
    enum class Folder { Default, User };

    static constexpr std::string_view separator = "//";
    static constexpr std::string_view defaultFolderWord = "DEFAULT";
    static constexpr std::string_view userFolderWord = "USER";

    // The text a screen stores for a layout it lists: its file name and the
    // folder it was listed from.
    static std::string referenceString(std::string_view fileName, bool isDefault);

    // The layout a stored value names. None when the value holds no "//"
    // (no value, a bare "Default.plist"), and none when its file name could
    // name something outside the layouts folders (".", "..", or holding "/"
    // or a NUL), so that no stored value can reach other files. An empty
    // file name ("//USER") is a reference all the same: it names no file,
    // so loading it falls back to the default layout and the value stays.
    // The folder word is the text after the first "//" up to the next one:
    // exactly "DEFAULT" selects the default folder, anything else the user
    // folder.
    static std::optional<QVLayoutReference> parse(std::string_view value);

    // The text before the first "//", unchecked, as the apply screen shows
    // it; none when the value holds no "//".
    static std::optional<std::string> fileNamePart(std::string_view value);

    // Whether a file name stays inside the folder it is joined to.
    static bool isContainedFileName(std::string_view fileName);

    // The stock layouts, "Default.plist//DEFAULT" and
    // "Default Folder.plist//DEFAULT".
    static QVLayoutReference defaultLayout();
    static QVLayoutReference defaultFolderLayout();

    const std::string& fileName() const { return m_fileName; }
    Folder folder() const { return m_folder; }
    bool isDefault() const { return m_folder == Folder::Default; }

    // The reference as stored, with the canonical folder word.
    std::string string() const;
    // The device paths of the folder and of the file.
    std::string folderPath() const;
    std::string path() const;

    bool operator==(const QVLayoutReference&) const = default;

private:
    QVLayoutReference(std::string fileName, Folder folder) : m_fileName(std::move(fileName)), m_folder(folder) {}

    std::string m_fileName;
    Folder m_folder;
};

} // namespace qv
