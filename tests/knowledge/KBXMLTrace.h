#pragma once

#include "knowledge/DomainIdentifier.h"
#include "knowledge/KBXMLDocument.h"

#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>

namespace testing_support {

// A document of the given sections inside the root element.
inline std::shared_ptr<KBXMLDocument> document(const std::string& body) {
    auto created = KBXMLDocument::create("<base>" + body + "</base>");
    EXPECT_NE(created, nullptr);
    return created;
}

// Short texts of what the document wrappers read, so that a test can compare a whole
// section with one expected string. "-" stands for none or unset.
inline std::string traceOf(const std::shared_ptr<const DomainIdentifier>& identifier) {
    return identifier ? identifier->uniqueIdentifier() : "-";
}

inline std::string traceOf(const std::optional<std::string>& value) {
    return value ? *value : "-";
}

inline std::string traceOf(std::optional<bool> flag) {
    return !flag ? "-" : *flag ? "T" : "F";
}

// Joins the traces that `iterate` hands to `append`, separated by blanks.
template <typename Iterate> std::string joined(Iterate&& iterate) {
    std::string text;
    iterate([&text](const std::string& item) {
        if (!text.empty())
            text += ' ';
        text += item;
    });
    return text;
}

// rule(path,deep,fdeep,fname)[children]; filters are
// f(type,name,prefix,suffix,deep,separate,goDeeper,isSystem,domain,group).
inline std::string traceOf(const KBXMLRule& rule) {
    std::string children = joined([&](auto append) {
        rule.iterateSubItemsWithSubRulesAction(
            [&](const KBXMLRule& sub) { append(traceOf(sub)); },
            [&](const KBXMLRuleFilter& f) {
                append("f(" + std::to_string(f.fileType()) + "," + traceOf(f.name()) + "," +
                       traceOf(f.namePrefix()) + "," + traceOf(f.nameSuffix()) + "," +
                       std::to_string(f.deep()) + "," + traceOf(f.separate()) + "," +
                       traceOf(f.goDeeper()) + "," + traceOf(f.isSystem()) + "," +
                       traceOf(f.domainIdentifier()) + "," + std::to_string(f.group()) + ")");
            });
    });
    return "rule(" + traceOf(rule.path()) + "," + std::to_string(rule.deep()) + "," +
           std::to_string(rule.fdeep()) + "," + traceOf(rule.fname()) + ")[" + children + "]";
}

// d(domain,system,separateApp,common,parent)[g(name,isSystem,dependencyType)[paths]]
inline std::string traceOf(const KBXMLDomain& domain) {
    std::string groups = joined([&](auto append) {
        domain.iterateGroups([&](const KBXMLFileGroup& group) {
            std::string files = joined([&](auto appendFile) {
                group.iterateFiles(
                    [&](const KBXMLFile& file) { appendFile(traceOf(file.path())); });
            });
            append("g(" + traceOf(group.groupName()) + "," + (group.isSystem() ? "T" : "F") + "," +
                   std::to_string(group.dependencyType()) + ")[" + files + "]");
        });
    });
    return "d(" + traceOf(domain.domain()) + "," + traceOf(domain.isSystem()) + "," +
           traceOf(domain.isSeparateApp()) + "," + traceOf(domain.isCommonDomain()) + "," +
           traceOf(domain.parentDomain()) + ")[" + groups + "]";
}

} // namespace testing_support
