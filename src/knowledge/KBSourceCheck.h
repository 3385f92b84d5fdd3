#pragma once

#include <string>
#include <vector>

class KBXMLDocument;

// What a knowledge-base document to be shipped asks the helper to do that it must
// not: records it might offer outside the home folder's Library (absolute system
// paths, "..", a bare "~"), and rules over the whole home or outside the Library
// (KnowledgeBasePathPolicy). The helper ignores these when it loads a document;
// the packer refuses them, so that they never ship.
class KBSourceCheck {
public:
    struct Refusal {
        std::string what; // `record "<path>" of <domain>` or `rule "<path>"`
        std::string reason;
    };

    static std::vector<Refusal> refusals(KBXMLDocument& document);
};
