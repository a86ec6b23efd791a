#include "TypeEncoding.h"

#include <cctype>

namespace qv {

std::string normalizedTypeEncoding(const char* types)
{
    std::string result;
    if (!types)
        return result;
    int arrayDepth = 0;
    for (const char* c = types; *c; ++c) {
        if (*c == '[')
            ++arrayDepth;
        else if (*c == ']')
            --arrayDepth;
        // An array's length is part of its type; every other number is an offset.
        if (arrayDepth == 0 && std::isdigit(static_cast<unsigned char>(*c)))
            continue;
        result += *c;
    }
    return result;
}

} // namespace qv
