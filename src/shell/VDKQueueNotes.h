#pragma once

#include "platform/FileEventKinds.h"

#include <array>
#include <cstdint>
#include <string_view>

// The kinds of change a file event queue reports, each one bit of a subscription mask, with
// the notification name under which it is delivered.
namespace VDKQueueNotes {

// The platform's file event kinds, under the names the queue's users know.
inline constexpr std::uint32_t Delete = platform::FileEventKinds::Delete;
inline constexpr std::uint32_t Write = platform::FileEventKinds::Write;
inline constexpr std::uint32_t Extend = platform::FileEventKinds::Extend;
inline constexpr std::uint32_t Attrib = platform::FileEventKinds::Attrib;
inline constexpr std::uint32_t Link = platform::FileEventKinds::Link;
inline constexpr std::uint32_t Rename = platform::FileEventKinds::Rename;
inline constexpr std::uint32_t Revoke = platform::FileEventKinds::Revoke;
inline constexpr std::uint32_t All = platform::FileEventKinds::All;

inline constexpr std::string_view FileRenamedNotification = "VDKQueueFileRenamedNotification";
inline constexpr std::string_view FileWrittenToNotification = "VDKQueueFileWrittenToNotification";
inline constexpr std::string_view FileDeletedNotification = "VDKQueueFileDeletedNotification";
inline constexpr std::string_view FileAttributesChangedNotification =
    "VDKQueueFileAttributesChangedNotification";
inline constexpr std::string_view FileSizeIncreasedNotification =
    "VDKQueueFileSizeIncreasedNotification";
inline constexpr std::string_view LinkCountChangedNotification =
    "VDKQueueLinkCountChangedNotification";
inline constexpr std::string_view AccessWasRevokedNotification =
    "VDKQueueAccessWasRevokedNotification";

struct NamedNote {
    std::uint32_t note;
    std::string_view name;
};

// The order in which the names of one event are delivered.
inline constexpr std::array<NamedNote, 7> ReportingOrder{{
    {Rename, FileRenamedNotification},
    {Write, FileWrittenToNotification},
    {Delete, FileDeletedNotification},
    {Attrib, FileAttributesChangedNotification},
    {Extend, FileSizeIncreasedNotification},
    {Link, LinkCountChangedNotification},
    {Revoke, AccessWasRevokedNotification},
}};

} // namespace VDKQueueNotes
