#pragma once

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>

#if defined(__has_feature)
#define SWEEPWISE_TEST_HAS(feature) __has_feature(feature)
#else
#define SWEEPWISE_TEST_HAS(feature) 0
#endif
#if defined(__SANITIZE_THREAD__) || SWEEPWISE_TEST_HAS(thread_sanitizer)
#define SWEEPWISE_TEST_UNDER_TSAN 1
#else
#define SWEEPWISE_TEST_UNDER_TSAN 0
#endif
#if SWEEPWISE_TEST_UNDER_TSAN || defined(__SANITIZE_ADDRESS__) ||                                  \
    SWEEPWISE_TEST_HAS(address_sanitizer)
#define SWEEPWISE_TEST_UNDER_SANITIZER 1
#else
#define SWEEPWISE_TEST_UNDER_SANITIZER 0
#endif

namespace testing_support {

// ThreadSanitizer makes every access several times slower and every allocation several times
// larger, so the load tests scale their inputs down in that build.
inline constexpr bool kUnderThreadSanitizer = SWEEPWISE_TEST_UNDER_TSAN;

// A sanitizer's shadow pages (and AddressSanitizer's quarantine) make the resident set say
// little about what the code keeps: each byte the code touches costs several more, so a
// bound either build meets says nothing. There the bounds are left to the plain build;
// under AddressSanitizer, LeakSanitizer watches growth. The sanitizers' allocators also
// keep their own free lists, which the C library's trimming does not reach.
inline constexpr bool kResidentSetIsMeaningful = !SWEEPWISE_TEST_UNDER_SANITIZER;

// A number after `field` in a /proc status file; nullopt when the file or field is missing.
inline std::optional<std::uint64_t> statusField(const std::string& field,
                                                const std::string& file = "/proc/self/status",
                                                int base = 10) {
    std::ifstream status(file);
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field, 0) == 0)
            return std::stoull(line.substr(field.size()), nullptr, base);
    }
    return std::nullopt;
}

// The resident set of this process in KiB, now and at its highest since the last reset; 0
// when unknown.
inline std::uint64_t residentKiB() {
    return statusField("VmRSS:").value_or(0);
}
inline std::uint64_t peakResidentKiB() {
    return statusField("VmHWM:").value_or(0);
}
inline bool resetPeakResident() {
    std::ofstream clear("/proc/self/clear_refs");
    return static_cast<bool>(clear << "5" << std::flush);
}

} // namespace testing_support
