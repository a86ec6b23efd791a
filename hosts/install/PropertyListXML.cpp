#include "PropertyListXML.h"

#include <cstdio>

namespace qv {

static std::string escaped(const std::string& text)
{
    std::string result;
    for (char c : text) {
        switch (c) {
        case '&': result += "&amp;"; break;
        case '<': result += "&lt;"; break;
        case '>': result += "&gt;"; break;
        default: result += c;
        }
    }
    return result;
}

static std::string keyElement(const std::string& key)
{
    return "<key>" + escaped(key) + "</key>";
}

static std::string integerElement(int64_t value)
{
    return "<integer>" + std::to_string(value) + "</integer>";
}

static std::string realElement(double value)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return std::string("<real>") + buffer + "</real>";
}

static std::string iconEntryXML(const LayoutIconEntry& entry)
{
    return "<dict>" + keyElement("LockedIndex") + integerElement(entry.lockedIndex) + keyElement("x")
        + integerElement(entry.x) + keyElement("y") + integerElement(entry.y) + "</dict>";
}

static std::string gridEntryXML(const LayoutGridEntry& grid)
{
    return "<dict>" + keyElement("Dimensions-Height") + integerElement(grid.rows) + keyElement("Dimensions-Width")
        + integerElement(grid.columns) + keyElement("height") + realElement(grid.frame.size.height)
        + keyElement("width") + realElement(grid.frame.size.width) + keyElement("x")
        + realElement(grid.frame.origin.x) + keyElement("y") + realElement(grid.frame.origin.y) + "</dict>";
}

std::string layoutPropertyListXML(const LayoutFileContents& layout)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                      "<plist version=\"1.0\">\n<dict>\n";
    xml += keyElement("FolderLayout") + (layout.folderLayout ? "<true/>" : "<false/>") + "\n";
    for (const auto& [key, grid] : layout.grids)
        xml += keyElement(key) + gridEntryXML(grid) + "\n";
    for (const auto& [key, entries] : layout.origins) {
        xml += keyElement(key) + "<array>\n";
        for (const LayoutIconEntry& entry : entries)
            xml += iconEntryXML(entry) + "\n";
        xml += "</array>\n";
    }
    return xml + "</dict>\n</plist>\n";
}

} // namespace qv
