#pragma once

#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSObject.h"

#include <string>

namespace qv {

// Keys of an error's user info, and the platform's own error domains.
inline constexpr const char* NSLocalizedDescriptionKey = "NSLocalizedDescription";
inline constexpr const char* NSLocalizedFailureReasonKey = "NSLocalizedFailureReason";
inline constexpr const char* NSUnderlyingErrorKey = "NSUnderlyingError";
inline constexpr const char* NSFilePathErrorKey = "NSFilePath";
inline constexpr const char* NSCocoaErrorDomain = "NSCocoaErrorDomain";
inline constexpr const char* NSPOSIXErrorDomain = "NSPOSIXErrorDomain";

// Codes of NSCocoaErrorDomain that the file layer reports.
enum : NSInteger {
    NSFileNoSuchFileError = 4,
    NSFileReadUnknownError = 256,
    NSFileReadNoPermissionError = 257,
    NSFileReadNoSuchFileError = 260,
    NSFileWriteUnknownError = 512,
    NSFileWriteNoPermissionError = 513,
    NSFileWriteFileExistsError = 516,
};

// A failure: a domain, a code and a user-info dictionary carrying the
// description, the reason and the error underneath. Immutable.
class NSError : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    // The user info is copied, so later changes to the caller's dictionary
    // do not reach the error.
    static Ref<NSError> errorWithDomain(std::string domain, NSInteger code, const RefPtr<NSDictionary>& userInfo);
    // The common case: a description and, if any, the error underneath.
    static Ref<NSError> create(std::string domain, NSInteger code, const std::string& localizedDescription,
        const RefPtr<NSError>& underlyingError = nullptr);

    const std::string& domain() const { return m_domain; }
    NSInteger code() const { return m_code; }
    // A copy of the user info.
    Ref<NSDictionary> userInfo() const;
    // The description from the user info, or the device's generic sentence
    // naming the domain and code.
    std::string localizedDescription() const;
    // Empty when the user info has none.
    std::string localizedFailureReason() const;
    RefPtr<NSError> underlyingError() const;

    std::string className() const override { return "NSError"; }
    // "Error Domain=D Code=C \"description\" UserInfo={...}"
    std::string description() const override;

private:
    NSError(std::string domain, NSInteger code, Ref<NSDictionary> userInfo);

    const std::string m_domain;
    const NSInteger m_code;
    const Ref<NSDictionary> m_userInfo;
};

} // namespace qv
