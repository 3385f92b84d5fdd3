#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The kinds of change a file event queue reports, each one bit of a subscription mask, with
// the notification name under which it is delivered.
namespace VDKQueueNotes {

inline constexpr std::uint32_t Delete = 0x01;
inline constexpr std::uint32_t Write = 0x02;
inline constexpr std::uint32_t Extend = 0x04;
inline constexpr std::uint32_t Attrib = 0x08;
inline constexpr std::uint32_t Link = 0x10;
inline constexpr std::uint32_t Rename = 0x20;
inline constexpr std::uint32_t Revoke = 0x40;
inline constexpr std::uint32_t All = 0x7F;

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
