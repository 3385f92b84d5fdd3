#pragma once

#include "knowledge/SecureBuffer.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// Writes zip archives in memory on minizip's zip interface, for packing containers.
class ContainerZipWriter {
public:
    // An archive with the single deflated entry `name` holding `contents`; the entry
    // carries a fixed date so that the same contents always give the same archive.
    static std::optional<SecureBuffer> archiveEntry(const std::string& name,
                                                    std::span<const std::uint8_t> contents);
};
