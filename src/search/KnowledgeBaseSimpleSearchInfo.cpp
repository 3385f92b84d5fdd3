#include "search/KnowledgeBaseSimpleSearchInfo.h"

#include "platform/Path.h"
#include "search/DepFileItem.h"
#include "search/FileItem.h"

std::shared_ptr<KnowledgeBaseSimpleSearchInfo>
KnowledgeBaseSimpleSearchInfo::create(std::shared_ptr<const platform::Bundle> bundle) {
    if (!bundle)
        return nullptr;
    return std::shared_ptr<KnowledgeBaseSimpleSearchInfo>(
        new KnowledgeBaseSimpleSearchInfo(std::move(bundle)));
}

KnowledgeBaseSimpleSearchInfo::KnowledgeBaseSimpleSearchInfo(
    std::shared_ptr<const platform::Bundle> bundle)
    : m_bundle(std::move(bundle)) {
    m_bundleName = bundleNameForBundle(*m_bundle);
    m_bundleId = m_bundle->bundleIdentifier();
}

std::shared_ptr<KnowledgeBaseSimpleSearchInfo>
KnowledgeBaseSimpleSearchInfo::generateForBundle(std::shared_ptr<const platform::Bundle> bundle) {
    // This build ships no knowledge-base search, so no knowledge base can be loaded
    // and the notification offers the standard remains only. The search, once it
    // exists, starts from create(bundle) and fills both item lists here.
    (void)bundle;
    return nullptr;
}

std::string KnowledgeBaseSimpleSearchInfo::bundleNameForBundle(const platform::Bundle& bundle) {
    if (const platform::PlistValue* executable =
            bundle.objectForInfoDictionaryKey("CFBundleExecutable")) {
        if (const std::string* name = executable->asString(); name && !name->empty())
            return *name;
    }
    return platform::Path::deletingExtension(platform::Path::lastComponent(bundle.bundlePath()));
}
