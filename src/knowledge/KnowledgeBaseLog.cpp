#include "knowledge/KnowledgeBaseLog.h"

#include "platform/Log.h"

void KnowledgeBaseLog::write(std::string_view line) {
    platform::Log::warning(platform::Log::Component::Knowledge, line);
}

void KnowledgeBaseLog::writeOnce(std::string_view line) {
    platform::Log::warningOnce(platform::Log::Component::Knowledge, line);
}
