#pragma once

#include <string>

// The name of a domain, the unit to which the knowledge base attributes files. Two
// identifiers denote the same domain exactly when their unique identifiers are equal
// (case-sensitive), so every table of the knowledge base is keyed by that string.
// Identifiers are immutable and may be shared between threads.
class DomainIdentifier {
public:
    virtual ~DomainIdentifier() = default;

    virtual const std::string& uniqueIdentifier() const = 0;
};
