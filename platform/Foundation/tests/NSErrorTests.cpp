#include "platform/Foundation/NSError.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(NSError, CarriesDomainCodeDescriptionAndUnderlyingError)
{
    auto underlying = NSError::create(NSPOSIXErrorDomain, 2, "No such file or directory");
    auto error = NSError::create("QNHTTPRequestErrorDomain", 8, "Failed to delete file at path '/tmp/x'", underlying);
    EXPECT_EQ(error->domain(), "QNHTTPRequestErrorDomain");
    EXPECT_EQ(error->code(), 8);
    EXPECT_EQ(error->localizedDescription(), "Failed to delete file at path '/tmp/x'");
    EXPECT_EQ(error->underlyingError().get(), underlying.ptr());
    EXPECT_EQ(error->localizedFailureReason(), "");
    EXPECT_FALSE(underlying->underlyingError());
    EXPECT_EQ(error->description().rfind("Error Domain=QNHTTPRequestErrorDomain Code=8 \"Failed to delete file at path '/tmp/x'\" UserInfo={", 0), 0u);
}

TEST(NSError, UserInfoIsCopiedAndDescribesByDefault)
{
    auto userInfo = NSDictionary::create({ { NSLocalizedFailureReasonKey, "Parse error" }, { "extra", 1 } });
    auto error = NSError::errorWithDomain("QNHTTPRequestErrorDomain", 10, userInfo);
    userInfo->setObject("changed later", NSLocalizedFailureReasonKey);
    EXPECT_EQ(error->localizedFailureReason(), "Parse error");
    // The generic sentence when no description was given.
    EXPECT_EQ(error->localizedDescription(), "The operation couldn\u2019t be completed. (QNHTTPRequestErrorDomain error 10.)");
    // Changing the copy handed out changes nothing in the error.
    error->userInfo()->removeAllObjects();
    EXPECT_EQ(error->userInfo()->count(), 2u);
    EXPECT_EQ(NSError::errorWithDomain("D", 1, nullptr)->userInfo()->count(), 0u);
}
