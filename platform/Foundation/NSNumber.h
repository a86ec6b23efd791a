#pragma once

#include "platform/Foundation/NSObject.h"

namespace qv {

// A boolean, an integer or a real. The three kinds stay distinct, so that
// a property-list file written back keeps <true/>, <integer> and <real>
// where they were; they still compare equal when their values are equal,
// as on the device. Integers run from -2^63 to 2^64-1, as in property
// lists: one above the signed range is kept as an unsigned value.
class NSNumber : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    enum class Kind { Boolean, Integer, Real };

    static Ref<NSNumber> numberWithBool(bool value);
    static Ref<NSNumber> numberWithInt(int value);
    static Ref<NSNumber> numberWithInteger(NSInteger value);
    static Ref<NSNumber> numberWithLongLong(long long value);
    static Ref<NSNumber> numberWithUnsignedLongLong(unsigned long long value);
    static Ref<NSNumber> numberWithFloat(float value);
    static Ref<NSNumber> numberWithDouble(double value);

    Kind kind() const { return m_kind; }
    // An integer above the signed 64-bit range.
    bool isUnsignedBeyondSignedRange() const { return m_unsigned; }
    std::string stringValue() const { return description(); }

    std::string className() const override { return "NSNumber"; }
    // Booleans as 1 and 0, integers in decimal, reals in the shortest form
    // that reads back to the same value.
    std::string description() const override;
    bool isEqual(const NSObject* other) const override;
    NSUInteger hash() const override;

    // A number is true when it is not zero (a real 0.5 is true).
    bool boolValue() const override;
    int intValue() const override;
    NSInteger integerValue() const override;
    // An integer above the signed range gives the largest signed one.
    long long longLongValue() const override;
    // The integer's own value; a negative one or a real saturates at 0 and
    // the unsigned limit.
    unsigned long long unsignedLongLongValue() const;
    float floatValue() const override;
    double doubleValue() const override;

private:
    NSNumber(Kind kind, long long integer, double real, bool isUnsigned = false)
        : m_kind(kind), m_unsigned(isUnsigned), m_integer(integer), m_real(real) {}
    long double exactIntegerValue() const;

    const Kind m_kind;
    const bool m_unsigned;      // m_integer's bits are an unsigned value above 2^63-1
    const long long m_integer; // booleans and integers
    const double m_real;       // reals
};

} // namespace qv
