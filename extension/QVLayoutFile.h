#pragma once

#include "platform/Foundation/FileAccess.h"
#include "platform/Foundation/NSDictionary.h"

#include <filesystem>
#include <optional>
#include <string>

namespace qv {

// One layout file as the layout manager read it: the dictionary it holds
// and which file, in which state, it came from. Writing the upgraded
// layout back replaces only that very file: one the user deleted or
// renamed in the meantime is never made again, and one saved anew in the
// meantime is kept.
class QVLayoutFile {
public:
    // The file at a device path; none when it is missing, unreadable or
    // holds no dictionary.
    static std::optional<QVLayoutFile> read(const std::string& devicePath);

    // The dictionary as stored; nobody changes it.
    const Ref<NSDictionary>& stored() const { return m_stored; }
    // A new dictionary read from the same bytes, the reader's to change.
    Ref<NSDictionary> editableCopy() const;

    // Writes the layout in the file's place, as XML, when the file is still
    // the one read; false (and nothing written) otherwise.
    bool writeBack(const NSDictionary& layout) const;

private:
    QVLayoutFile(std::filesystem::path hostPath, HostFileVersion version, std::string bytes, Ref<NSDictionary> stored);

    std::filesystem::path m_hostPath;
    HostFileVersion m_version;
    std::string m_bytes;
    Ref<NSDictionary> m_stored;
};

} // namespace qv
