#include "knowledge/MutableSystemSkipList.h"

#include "shell/PathsGenerator.h"

MutableSystemSkipList::MutableSystemSkipList() {
    const std::string& home = PathsGenerator::GetInstance().getHomeDirectory();
    for (const char* builtIn :
         {"/Library/Application Support/AddressBook",
          "/Library/Preferences/com.apple.AddressBook.plist", "/Library/Calendars"})
        addPath(home + builtIn);
}

void MutableSystemSkipList::addPath(const std::string& path) {
    skipItems.insert(path);
    std::size_t slash = path.rfind('/');
    if (slash != std::string::npos)
        m_folders.emplace(path, 0, slash);
}

void MutableSystemSkipList::clearContent() {
    skipItems.clear();
    m_folders.clear();
}

bool MutableSystemSkipList::contains(std::string_view path) const {
    return skipItems.find(path) != skipItems.end();
}

bool MutableSystemSkipList::mayContainItemsIn(std::string_view folder) const {
    return m_folders.find(folder) != m_folders.end();
}
