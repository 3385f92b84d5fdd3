#pragma once

#include <cstdint>

namespace platform {

// The kinds of change a file event reader reports, each one bit of a subscription mask.
namespace FileEventKinds {

inline constexpr std::uint32_t Delete = 0x01;
inline constexpr std::uint32_t Write = 0x02;
inline constexpr std::uint32_t Extend = 0x04;
inline constexpr std::uint32_t Attrib = 0x08;
inline constexpr std::uint32_t Link = 0x10;
inline constexpr std::uint32_t Rename = 0x20;
inline constexpr std::uint32_t Revoke = 0x40;
inline constexpr std::uint32_t All = 0x7F;

} // namespace FileEventKinds

} // namespace platform
