#include "model/QVReader.h"
#include "model/tests/support/ModelTestSupport.h"
#include "testing/PythonPlist.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::testing::LayoutRoot;

// Only a dictionary whose "QV" is true was made by the application and may
// be overwritten; the file is read anew at every call.
TEST(QVReaderTest, CanOverwriteOnlyWhatTheApplicationMade)
{
    qv::testing::LayoutRoot layouts;
    Ref<QVReader> reader = QVReader::create();
    const std::pair<const char*, bool> cases[] = {
        { "{'QV': True}", true },
        { "{'QV': 1}", true },
        { "{'QV': 'YES'}", true },
        { "{'QV': False}", false },
        { "{'QV': 0}", false },
        { "{'FolderLayout': True}", false },
        { "[{'QV': True}]", false },
        { "'QV'", false },
    };
    for (const auto& [content, mayOverwrite] : cases) {
        SCOPED_TRACE(content);
        layouts.root().writeFile(LayoutRoot::userLayoutPath("Mine.plist"), qv::testing::binaryPropertyListFromPython(content));
        EXPECT_EQ(reader->canOverwriteLayout("Mine"), mayOverwrite);
        EXPECT_EQ(reader->canOverwriteLayoutAtPath(LayoutRoot::userLayoutPath("Mine.plist")), mayOverwrite);
    }
    layouts.root().writeFile(LayoutRoot::userLayoutPath("Broken.plist"), "<plist><dict><key>QV</key><true/>");
    EXPECT_FALSE(reader->canOverwriteLayout("Broken"));
    EXPECT_FALSE(reader->canOverwriteLayout("Missing"));
    EXPECT_FALSE(reader->canOverwriteLayout("Mine.plist")) << "the name is taken without its extension";
    EXPECT_FALSE(reader->canOverwriteLayoutAtPath("/var/mobile/Library/Quiltvane/Layouts"));
}
