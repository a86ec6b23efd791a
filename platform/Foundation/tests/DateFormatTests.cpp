#include "platform/Foundation/DateFormat.h"
#include "platform/core/CoreTesting.h"
#include "platform/Foundation/NSDateFormatter.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSThread.h"
#include "platform/core/Log.h"

#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <thread>

using namespace qv;

namespace {

// The fixed formats of the cloud requests: the S3 "Date" header, dates in
// S3 replies, and dates in the object store's listings.
constexpr const char* s3RequestFormat = "EEE, d MMM yyyy HH:mm:ss Z";
constexpr const char* s3ResponseFormat = "yyyy-MM-dd'T'HH:mm:ss'.000Z'";
constexpr const char* objectStoreFormat = "yyyy-MM-dd'T'H:mm:ss.SSSSSS";

Ref<NSTimeZone> utc()
{
    return NSTimeZone::timeZoneWithName("UTC").toRef();
}

// 2014-03-05 07:08:09 UTC, a Wednesday.
constexpr NSTimeInterval march5th2014 = 1394003289;

} // namespace

TEST(DateFormat, WritesTheS3DateHeaderWhateverTheLocalZone)
{
    for (const char* zone : { "UTC", "America/New_York", "Asia/Tokyo" }) {
        qv::testing::ScopedEnvironment timeZone("TZ", zone);
        EXPECT_EQ(formatDate(march5th2014, s3RequestFormat, utc()), "Wed, 5 Mar 2014 07:08:09 +0000") << zone;
    }
    EXPECT_EQ(formatDate(march5th2014 + 0.999, "yyyy-MM-dd'T'HH:mm:ss.SSS 'o''clock' EEEE MMMM", utc()),
        "2014-03-05T07:08:09.999 o'clock Wednesday March");
    EXPECT_EQ(formatDate(-1.5, "yyyy-MM-dd HH:mm:ss.SS", utc()), "1969-12-31 23:59:58.50");
    EXPECT_EQ(formatDate(march5th2014, "d/M/y H:m:s", *NSTimeZone::timeZoneForSecondsFromGMT(-(3 * 3600 + 1800))),
        "5/3/2014 3:38:9");
    EXPECT_EQ(formatDate(march5th2014, "Z", *NSTimeZone::timeZoneForSecondsFromGMT(-(3 * 3600 + 1800))), "-0330");
}

TEST(DateFormat, AgreesWithPythonOnTheS3DateHeader)
{
    std::mt19937_64 random(1123);
    std::ostringstream moments;
    std::vector<std::string> ours;
    for (int count = 0; count < 300; ++count) {
        // From 1970 to 2100, and the ends of years and leap days among them.
        auto moment = static_cast<int64_t>(random() % 4102444800ull);
        if (count % 10 == 0)
            moment = 951782400 + count * 86400 - 1; // around 2000-02-29
        moments << moment << "\n";
        ours.push_back(formatDate(static_cast<NSTimeInterval>(moment), s3RequestFormat, utc()));
    }
    qv::testing::ProcessResult python = qv::testing::runPython(R"PY(
import sys, time
days = ['Mon', 'Tue', 'Wed', 'Thu', 'Fri', 'Sat', 'Sun']
months = ['Jan', 'Feb', 'Mar', 'Apr', 'May', 'Jun', 'Jul', 'Aug', 'Sep', 'Oct', 'Nov', 'Dec']
for line in sys.stdin.read().split():
    t = time.gmtime(int(line))
    print('%s, %d %s %04d %02d:%02d:%02d +0000' % (days[t.tm_wday], t.tm_mday, months[t.tm_mon - 1], t.tm_year,
                                                   t.tm_hour, t.tm_min, t.tm_sec))
)PY", {}, moments.str());
    ASSERT_EQ(python.exitCode, 0) << python.errors;
    EXPECT_EQ(ours, qv::testing::outputLines(python.output));
}

TEST(DateFormat, ReadsS3ReplyDatesOnlyInTheirExactForm)
{
    EXPECT_EQ(parseDate("2014-03-05T07:08:09.000Z", s3ResponseFormat, utc()), march5th2014);
    EXPECT_EQ(parseDate("2000-02-29T00:00:00.000Z", s3ResponseFormat, utc()), 951782400);
    for (const char* text : { "2014-03-05T07:08:09.123Z", "2014-03-05T07:08:09Z", "2014-03-05T07:08:09.000",
             "2014-03-05T07:08:09.000Z ", " 2014-03-05T07:08:09.000Z", "2014-3-05T07:08:09.000Z", "2014-03-05T7:08:09.000Z",
             "2013-02-29T00:00:00.000Z", "2014-13-01T00:00:00.000Z", "2014-04-31T00:00:00.000Z",
             "2014-03-05T24:00:00.000Z", "2014-03-05T07:60:00.000Z", "2014-03-05T07:08:60.000Z", "", "2014-03-05" })
        EXPECT_EQ(parseDate(text, s3ResponseFormat, utc()), std::nullopt) << text;
}

TEST(DateFormat, ReadsObjectStoreDatesInTheLocalZone)
{
    const char* text = "2014-03-05T7:08:09.123456";
    std::optional<NSTimeInterval> inUTC, inTokyo, inNewYork;
    {
        qv::testing::ScopedEnvironment timeZone("TZ", "UTC");
        inUTC = parseDate(text, objectStoreFormat, NSTimeZone::localTimeZone());
    }
    {
        qv::testing::ScopedEnvironment timeZone("TZ", "Asia/Tokyo");
        inTokyo = parseDate(text, objectStoreFormat, NSTimeZone::localTimeZone());
    }
    {
        qv::testing::ScopedEnvironment timeZone("TZ", "America/New_York");
        inNewYork = parseDate(text, objectStoreFormat, NSTimeZone::localTimeZone());
        // Summer time shows in the offset written.
        EXPECT_EQ(formatDate(march5th2014, "Z", NSTimeZone::localTimeZone()), "-0500");
        EXPECT_EQ(formatDate(march5th2014 + 120 * 86400, "Z", NSTimeZone::localTimeZone()), "-0400");
    }
    ASSERT_TRUE(inUTC && inTokyo && inNewYork);
    EXPECT_NEAR(*inUTC, march5th2014 + 0.123456, 1e-6);
    EXPECT_EQ(*inUTC - *inTokyo, 9 * 3600);
    EXPECT_EQ(*inNewYork - *inUTC, 5 * 3600);
    EXPECT_EQ(parseDate("2014-03-05T17:08:09.000001", objectStoreFormat, utc()), march5th2014 + 36000 + 0.000001);
    for (const char* lacking : { "2014-03-05T7:08:09", "2014-03-05T7:08:09.12345", "2014-03-05T7:08:09.1234567",
             "2014-03-05T107:08:09.123456" })
        EXPECT_EQ(parseDate(lacking, objectStoreFormat, utc()), std::nullopt) << lacking;
}

TEST(DateFormat, NamesAndOffsetsAreRead)
{
    // Names regardless of case; a weekday must be one, but is not checked
    // against the date; an offset in the text wins over the zone.
    EXPECT_EQ(parseDate("wed, 5 MAR 2014 07:08:09 +0000", s3RequestFormat, utc()), march5th2014);
    EXPECT_EQ(parseDate("Fri, 5 Mar 2014 07:08:09 +0000", s3RequestFormat, utc()), march5th2014);
    EXPECT_EQ(parseDate("Wed, 5 Mar 2014 09:08:09 +0200", s3RequestFormat, utc()), march5th2014);
    EXPECT_EQ(parseDate("Wed, 5 Mar 2014 02:08:09 -0500", s3RequestFormat, utc()), march5th2014);
    for (const char* text : { "Wex, 5 Mar 2014 07:08:09 +0000", "Wed, 5 Mrz 2014 07:08:09 +0000",
             "Wed, 5 Mar 2014 07:08:09 0000", "Wed, 5 Mar 2014 07:08:09 +2400", "Wed, 5 Mar 2014 07:08:09 GMT" })
        EXPECT_EQ(parseDate(text, s3RequestFormat, utc()), std::nullopt) << text;
}

TEST(DateFormat, PatternsWithUnknownFieldsWriteAndReadNothing)
{
    for (const char* pattern : { "yyyy-MM-dd Q", "yy-MM-dd", "hh:mm a", "ZZZZ" }) {
        LogCapture log;
        EXPECT_EQ(formatDate(march5th2014, pattern, utc()), "") << pattern;
        EXPECT_EQ(parseDate("2014-03-05 1", pattern, utc()), std::nullopt) << pattern;
        EXPECT_TRUE(log.contains(std::string("the pattern \"") + pattern + "\" has a field this platform does not know"));
    }
    EXPECT_EQ(formatDate(1e300, s3RequestFormat, utc()), "");
    EXPECT_EQ(formatDate(std::nan(""), s3RequestFormat, utc()), "");
}

TEST(NSDateFormatter, KeepsOneFormatPerThreadInTheThreadDictionary)
{
    // The way the cloud requests keep their formatters: one per thread,
    // made on the thread's first use and found again later.
    auto formatterOfThisThread = [] {
        Ref<NSDictionary> dictionary = NSThread::currentThread()->threadDictionary();
        RefPtr<NSDateFormatter> formatter = dictionary->objectForKey<NSDateFormatter>("QNS3RequestHeaderDateFormatter");
        if (!formatter) {
            formatter = NSDateFormatter::create();
            formatter->setLocale("en_US_POSIX");
            formatter->setTimeZone(utc());
            formatter->setDateFormat(s3RequestFormat);
            dictionary->setObject(formatter.toRef(), "QNS3RequestHeaderDateFormatter");
        }
        return formatter.toRef();
    };
    Ref<NSDateFormatter> mine = formatterOfThisThread();
    EXPECT_EQ(formatterOfThisThread().ptr(), mine.ptr());
    EXPECT_EQ(mine->stringFromDate(NSDate::dateWithTimeIntervalSince1970(march5th2014)), "Wed, 5 Mar 2014 07:08:09 +0000");
    EXPECT_EQ(mine->dateFromString("Wed, 5 Mar 2014 07:08:09 +0000")->timeIntervalSince1970(), march5th2014);
    EXPECT_FALSE(mine->dateFromString("5 Mar 2014"));

    const NSDateFormatter* other = nullptr;
    std::thread([&] {
        Ref<NSDateFormatter> theirs = formatterOfThisThread();
        other = theirs.ptr();
        EXPECT_EQ(formatterOfThisThread().ptr(), other);
    }).join();
    EXPECT_NE(other, mine.ptr());
}
