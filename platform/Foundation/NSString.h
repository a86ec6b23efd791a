#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/Foundation/StringFormat.h"

#include <string>
#include <string_view>

namespace qv {

// Immutable text, held as UTF-8.
class NSString : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    static Ref<NSString> create(std::string text = {});
    template<typename... Arguments>
    static Ref<NSString> stringWithFormat(const char* format, const Arguments&... arguments)
    {
        return create(qv::stringWithFormat(format, arguments...));
    }

    const std::string& string() const { return m_text; }
    bool isEqualToString(std::string_view other) const { return m_text == other; }

    std::string className() const override { return "NSString"; }
    // A string describes as itself; inside a container it is quoted unless
    // it is a plain word, as the device's property-list text form does.
    std::string description() const override { return m_text; }
    std::string descriptionAtLevel(unsigned level) const override;
    bool isEqual(const NSObject* other) const override;
    NSUInteger hash() const override;

    bool boolValue() const override;
    int intValue() const override;
    NSInteger integerValue() const override;
    long long longLongValue() const override;
    float floatValue() const override;
    double doubleValue() const override;

private:
    explicit NSString(std::string text) : m_text(std::move(text)) {}

    const std::string m_text;
};

} // namespace qv
