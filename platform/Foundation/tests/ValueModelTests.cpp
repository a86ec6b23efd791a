#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSData.h"
#include "platform/Foundation/NSDate.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSString.h"
#include "platform/Foundation/NSValue.h"

#include <gtest/gtest.h>

#include <thread>

using namespace qv;

TEST(ValueModel, LiteralsKeepTheirKinds)
{
    auto dictionary = NSDictionary::create({
        { "flag", true },
        { "count", 10 },
        { "wide", 5000000000LL },
        { "unsigned", 7u },
        { "beyond signed", std::numeric_limits<unsigned long long>::max() },
        { "ratio", 0.25 },
        { "name", "Blue Grid" },
        { "text", std::string("made") },
        { "list", NSArray::create({ 1, 2.5, "three" }) },
    });
    EXPECT_EQ(dictionary->numberForKey("flag")->kind(), NSNumber::Kind::Boolean);
    EXPECT_EQ(dictionary->numberForKey("count")->kind(), NSNumber::Kind::Integer);
    EXPECT_EQ(dictionary->numberForKey("wide")->longLongValue(), 5000000000LL);
    EXPECT_EQ(dictionary->numberForKey("unsigned")->kind(), NSNumber::Kind::Integer);
    EXPECT_EQ(dictionary->numberForKey("beyond signed")->longLongValue(), NSIntegerMax);
    EXPECT_EQ(dictionary->numberForKey("ratio")->kind(), NSNumber::Kind::Real);
    EXPECT_EQ(dictionary->stringForKey("name")->string(), "Blue Grid");
    EXPECT_EQ(dictionary->stringForKey("text")->string(), "made");
    auto list = dictionary->arrayForKey("list");
    ASSERT_TRUE(list);
    ASSERT_EQ(list->count(), 3u);
    EXPECT_EQ(list->objectAtIndex<NSNumber>(1)->kind(), NSNumber::Kind::Real);
    EXPECT_EQ(list->objectAtIndex<NSString>(2)->string(), "three");
}

// A corrupt file can hold anything under a key: typed lookups answer null
// for the wrong kind, and for keys and indexes that are not there.
TEST(ValueModel, TypedLookupsAnswerNullForWrongKindsAndMissingEntries)
{
    auto dictionary = NSDictionary::create({ { "Origins", "not an array" }, { "x", 3 } });
    EXPECT_FALSE(dictionary->arrayForKey("Origins"));
    EXPECT_TRUE(dictionary->stringForKey("Origins"));
    EXPECT_FALSE(dictionary->dictionaryForKey("x"));
    EXPECT_FALSE(dictionary->stringForKey("x"));
    EXPECT_FALSE(dictionary->dataForKey("x"));
    EXPECT_FALSE(dictionary->dateForKey("x"));
    EXPECT_FALSE(dictionary->objectForKey("missing"));
    EXPECT_FALSE(dictionary->numberForKey("missing"));

    auto array = NSArray::create({ 1 });
    EXPECT_FALSE(array->objectAtIndex(1));
    EXPECT_FALSE(array->objectAtIndex(NSNotFound));
    EXPECT_FALSE(array->objectAtIndex<NSString>(0));
    EXPECT_FALSE(NSArray::create()->firstObject());
    EXPECT_FALSE(NSArray::create()->lastObject());
}

// The system changes a caller's dictionary in place and hands back the
// same object; a mutable copy is a separate container with the same members.
TEST(ValueModel, ContainersAreSharedByReferenceAndCopiedShallowly)
{
    auto inner = NSArray::create({ 1 });
    auto layout = NSDictionary::create({ { "Origins", inner } });
    Ref<NSDictionary> sameLayout = layout;
    sameLayout->setObject(true, "QV");
    EXPECT_TRUE(layout->numberForKey("QV"));

    auto copy = layout->mutableCopy();
    copy->removeObjectForKey("QV");
    copy->setObject(2, "added");
    EXPECT_TRUE(layout->objectForKey("QV"));
    EXPECT_FALSE(layout->objectForKey("added"));
    // Shallow: both hold the very same inner array.
    EXPECT_EQ(copy->arrayForKey("Origins").get(), inner.ptr());
    inner->addObject(2);
    EXPECT_EQ(layout->arrayForKey("Origins")->count(), 2u);

    auto arrayCopy = inner->mutableCopy();
    arrayCopy->removeAllObjects();
    EXPECT_EQ(inner->count(), 2u);
}

TEST(ValueModel, ArrayEditing)
{
    auto array = NSArray::create({ "a", "b", "a" });
    EXPECT_TRUE(array->insertObject("first", 0));
    EXPECT_TRUE(array->insertObject("last", 4));
    EXPECT_FALSE(array->insertObject("far", 9));
    EXPECT_TRUE(array->replaceObjectAtIndex(2, "B"));
    EXPECT_FALSE(array->replaceObjectAtIndex(5, "x"));
    EXPECT_EQ(array->indexOfObject(NSString::create("a").ptr()), 1u);
    EXPECT_EQ(array->indexOfObject(NSString::create("zzz").ptr()), NSNotFound);
    EXPECT_EQ(array->indexOfObject(nullptr), NSNotFound);
    array->removeObject(NSString::create("a").ptr());
    EXPECT_TRUE(array->isEqual(NSArray::create({ "first", "B", "last" }).ptr()));
    EXPECT_TRUE(array->removeObjectAtIndex(0));
    EXPECT_FALSE(array->removeObjectAtIndex(2));
    array->addObjectsFromArray(NSArray::create({ 1, 2 }));
    EXPECT_TRUE(array->isEqual(NSArray::create({ "B", "last", 1, 2 }).ptr()));
    EXPECT_TRUE(array->containsObject(NSNumber::numberWithInt(2).ptr()));
    EXPECT_EQ(array->lastObject()->intValue(), 2);
}

TEST(ValueModel, DictionaryKeysAreSortedAndEntriesMerge)
{
    auto dictionary = NSDictionary::create({ { "b", 1 }, { "a", 2 }, { "C", 3 } });
    EXPECT_EQ(dictionary->allKeys(), (std::vector<std::string> { "C", "a", "b" }));
    dictionary->addEntriesFromDictionary(NSDictionary::create({ { "a", 20 }, { "d", 4 } }));
    EXPECT_EQ(dictionary->count(), 4u);
    EXPECT_EQ(dictionary->numberForKey("a")->intValue(), 20);
    auto values = dictionary->allValues();
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[0]->intValue(), 3);
    auto entries = dictionary->entries();
    EXPECT_EQ(entries.back().first, "d");
    dictionary->removeAllObjects();
    EXPECT_EQ(dictionary->count(), 0u);
}

TEST(ValueModel, EqualityIsDeepAndByValue)
{
    auto layout = [](double x) {
        return NSDictionary::create({
            { "Origins", NSArray::create({ NSDictionary::create({ { "x", x }, { "LockedIndex", -1 } }) }) },
            { "QV", true },
        });
    };
    struct EqualityCase {
        const char* name;
        Ref<NSObject> first;
        RefPtr<NSObject> second;
        bool equal;
    };
    const EqualityCase cases[] = {
        { "nested containers alike", layout(10), layout(10), true },
        { "nested value differs", layout(10), layout(11), false },
        { "different key sets", NSDictionary::create({ { "a", 1 } }), NSDictionary::create({ { "b", 1 } }), false },
        { "array order matters", NSArray::create({ 1, 2 }), NSArray::create({ 2, 1 }), false },
        { "integer equals the same real", NSNumber::numberWithInt(2), NSNumber::numberWithDouble(2.0), true },
        { "integer differs from a near real", NSNumber::numberWithLongLong((1LL << 53) + 1), NSNumber::numberWithDouble(9007199254740992.0), false },
        { "boolean equals one", NSNumber::numberWithBool(true), NSNumber::numberWithInt(1), true },
        { "text", NSString::create("a"), NSString::create("a"), true },
        { "text against number", NSString::create("1"), NSNumber::numberWithInt(1), false },
        { "data", NSData::dataWithBytes("ab", 2), NSData::dataWithBytes("ab", 2), true },
        { "dates", NSDate::dateWithTimeIntervalSince1970(5), NSDate::dateWithTimeIntervalSinceReferenceDate(5 - NSTimeIntervalSince1970), true },
        { "boxed rectangles", NSValue::valueWithCGRect(CGRectMake(1, 2, 3, 4)), NSValue::valueWithCGRect(CGRectMake(1, 2, 3, 4)), true },
        { "a point is no size", NSValue::valueWithCGPoint({ 1, 2 }), NSValue::valueWithCGSize({ 1, 2 }), false },
        { "plain objects by identity", NSObject::create(), NSObject::create(), false },
        { "absent other", NSString::create("a"), nullptr, false },
    };
    for (const EqualityCase& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.first->isEqual(row.second.get()), row.equal);
        if (row.equal) {
            EXPECT_EQ(row.first->hash(), row.second->hash());
        }
    }
}

TEST(ValueModel, DescriptionsFollowThePropertyListTextForm)
{
    auto dictionary = NSDictionary::create({
        { "name", "Blue Grid" },
        { "plain", "word" },
        { "empty", "" },
        { "flag", true },
        { "list", NSArray::create({ 1, 2.5, NSDictionary::create() }) },
        { "bytes", NSData::dataWithBytes("\x01\x02\x03\x04\x05", 5) },
    });
    EXPECT_EQ(dictionary->description(),
        "{\n"
        "    bytes = <01020304 05>;\n"
        "    empty = \"\";\n"
        "    flag = 1;\n"
        "    list = (\n"
        "        1,\n"
        "        2.5,\n"
        "        {\n"
        "        }\n"
        "    );\n"
        "    name = \"Blue Grid\";\n"
        "    plain = word;\n"
        "}");
    EXPECT_EQ(NSString::create("Blue Grid")->description(), "Blue Grid");
    EXPECT_EQ(NSArray::create()->description(), "(\n)");
    EXPECT_EQ(NSNumber::numberWithDouble(0.1)->description(), "0.1");
    EXPECT_EQ(NSNumber::numberWithDouble(2.0)->description(), "2");
    EXPECT_EQ(NSNumber::numberWithDouble(1e300)->description(), "1e+300");
    EXPECT_EQ(NSNumber::numberWithBool(false)->description(), "0");
    EXPECT_EQ(NSNumber::numberWithLongLong(NSIntegerMin)->description(), "-9223372036854775808");
    EXPECT_EQ(NSDate::dateWithTimeIntervalSinceReferenceDate(0)->description(), "2001-01-01 00:00:00 +0000");
    EXPECT_EQ(NSValue::valueWithCGRect(CGRectMake(1, 2, 3, 4))->description(), "NSRect: {{1, 2}, {3, 4}}");
    EXPECT_EQ(NSValue::valueWithCGSize({ 4, 5 })->CGSizeValue(), CGSizeMake(4, 5));
    EXPECT_EQ(NSValue::valueWithCGSize({ 4, 5 })->CGRectValue(), CGRectZero);
    EXPECT_EQ(NSObject::create()->description().rfind("<NSObject: 0x", 0), 0u);
}

// Containers are shared between threads (the network thread hands its
// dictionaries to the main thread): concurrent changes and reads neither
// race nor lose entries.
TEST(ValueModel, ContainersTakeConcurrentChanges)
{
    auto dictionary = NSDictionary::create();
    auto array = NSArray::create();
    constexpr int perThread = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) {
                dictionary->setObject(i, std::to_string(t) + "-" + std::to_string(i));
                array->addObject(i);
                if (i % 50 == 0) {
                    EXPECT_FALSE(dictionary->description().empty());
                    EXPECT_EQ(array->indexOfObject(NSNumber::numberWithInt(-1).ptr()), NSNotFound);
                }
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(dictionary->count(), 4u * perThread);
    EXPECT_EQ(array->count(), 4u * perThread);
}

// Data made from absent bytes is empty whatever length comes with them,
// as a message to an absent buffer reads nothing.
TEST(ValueModel, DataFromAbsentBytesIsEmpty)
{
    for (NSUInteger length : { NSUInteger(0), NSUInteger(4) }) {
        auto data = NSData::dataWithBytes(nullptr, length);
        EXPECT_EQ(data->length(), 0u) << length;
        EXPECT_TRUE(data->isEqual(NSData::create().ptr())) << length;
    }
}
