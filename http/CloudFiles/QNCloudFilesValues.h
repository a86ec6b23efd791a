#pragma once

// Small readers and writers the object store's requests share.
#include <cstdint>
#include <optional>
#include <string>

namespace qv {
class NSXMLParserDelegate;
}

namespace qv::cloudfiles {

// A count or size as the store writes it: leading white space and a "+"
// allowed, reading stops at the first other character; 0 when there is no
// digit or the number is negative; the largest value when it is too large.
uint64_t integerFromText(const std::string& text);
// A header's truth: after white space (and a sign and leading zeros), "T",
// "t", "Y", "y" or a digit 1 to 9.
bool boolFromText(const std::string& text);
// Reads a listing's body with the delegate: no namespaces, nothing loaded
// from outside the document.
void readXML(const std::string& body, NSXMLParserDelegate& delegate);
// A container name for a URL path: only unreserved characters stay.
std::string escapedName(const std::string& name);
// An object path: the same, with "/" kept.
std::string escapedPath(const std::string& path);
// A query value: only unreserved characters stay.
std::string escapedQueryValue(const std::string& value);

} // namespace qv::cloudfiles
