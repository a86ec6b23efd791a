#include "RuntimeTestClasses.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {
enum class Orientation : int64_t { Portrait = 1 };
enum Small : int32_t { SmallValue };
}

TEST(TypeEncoding, CppTypesTravelUnderTheDevicesLetters)
{
    struct Case {
        std::string actual;
        std::string expected;
    };
    const Case cases[] = {
        { typeEncoding<void>(), "v" },
        { typeEncoding<bool>(), "B" },
        { typeEncoding<char>(), "c" },
        { typeEncoding<signed char>(), "c" },
        { typeEncoding<unsigned char>(), "C" },
        { typeEncoding<short>(), "s" },
        { typeEncoding<unsigned short>(), "S" },
        { typeEncoding<int>(), "i" },
        { typeEncoding<unsigned>(), "I" },
        { typeEncoding<long>(), "q" },
        { typeEncoding<long long>(), "q" },
        { typeEncoding<unsigned long>(), "Q" },
        { typeEncoding<unsigned long long>(), "Q" },
        { typeEncoding<float>(), "f" },
        { typeEncoding<double>(), "d" },
        { typeEncoding<Orientation>(), "q" },
        { typeEncoding<Small>(), "i" },
        { typeEncoding<CGPoint>(), "{CGPoint=dd}" },
        { typeEncoding<CGSize>(), "{CGSize=dd}" },
        { typeEncoding<CGRect>(), "{CGRect={CGPoint=dd}{CGSize=dd}}" },
        { typeEncoding<CGAffineTransform>(), "{CGAffineTransform=dddddd}" },
        { typeEncoding<SEL>(), ":" },
        { typeEncoding<Class>(), "#" },
        { typeEncoding<id>(), "@" },
        { typeEncoding<objc_tests::Label*>(), "@" },
        { typeEncoding<const objc_tests::Label*>(), "@" },
        { typeEncoding<RefPtr<Object>>(), "@" },
        { typeEncoding<Ref<objc_tests::Dog>>(), "@" },
        { typeEncoding<WeakPtr<objc_tests::Dog>>(), "@" },
        { typeEncoding<std::nullptr_t>(), "@" },
        { typeEncoding<void*>(), "^v" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected);
}

TEST(TypeEncoding, MethodEncodingsReadResultSelfSelectorThenArguments)
{
    EXPECT_EQ((methodEncoding<void>()), "v@:");
    EXPECT_EQ((methodEncoding<bool, objc_tests::Label*>()), "B@:@");
    EXPECT_EQ((methodEncoding<uint64_t, CGPoint>()), "Q@:{CGPoint=dd}");
    EXPECT_EQ((methodEncoding<RefPtr<Object>, CGPoint, id, CGSize>()), "@@:{CGPoint=dd}@{CGSize=dd}");
    EXPECT_EQ((methodEncoding<void, bool, bool, bool>()), "v@:BBB");
}

TEST(TypeEncoding, FrameOffsetsAreDroppedButArrayLengthsKept)
{
    EXPECT_EQ(normalizedTypeEncoding("v16@0:8"), "v@:");
    EXPECT_EQ(normalizedTypeEncoding("{CGPoint=dd}24@0:8Q16"), "{CGPoint=dd}@:Q");
    EXPECT_EQ(normalizedTypeEncoding("v@:[4i]"), "v@:[4i]");
    EXPECT_EQ(normalizedTypeEncoding(nullptr), "");
}
