// A custom domain definition's rule, as JSON, tested against fixed information
// dictionaries and against itself: the answers agree with the answers of the negated
// rule, and a definition is only made of a JSON array.
#include "CustomDomainRuleCheck.h"
#include "knowledge/CDValidator.h"
#include "knowledge/DomainCustomIdentifier.h"
#include "knowledge/KnowledgeRecordCustomDomainDefinition.h"
#include "platform/Json.h"

#include <string_view>
#include <vector>

using namespace fuzz_support;

namespace {

const std::vector<platform::PlistValue>& objects() {
    static const std::vector<platform::PlistValue> values = {
        *platform::Json::parse(
            R"({"CFBundleName": "Foo Tool", "CFBundleVersion": "1.2", "Count": 3, "Ratio": 0.5,
                "Flag": true, "Types": ["public.text", "com.foo.doc", 7],
                "Nested": {"Key": [[]], "Deep": {"Deeper": "x"}}})"),
        *platform::Json::parse(R"(["a", 1, 2.5, false, {"k": "v"}])"),
        *platform::Json::parse(R"("Foo Tool")"),
    };
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto rule = platform::Json::parse(text);
    if (!rule)
        return 0;
    for (const auto& object : objects())
        checkRule(object, *rule);
    checkRule(*rule, *rule);

    static const std::shared_ptr<const DomainIdentifier> identifier =
        DomainCustomIdentifier::create("fuzz");
    require(identifier != nullptr);
    auto definition = KnowledgeRecordCustomDomainDefinition::create(identifier, text);
    require(!definition || rule->asArray() != nullptr);
    return 0;
}
