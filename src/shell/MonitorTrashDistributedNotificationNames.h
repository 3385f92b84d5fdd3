#pragma once

// Names of the notifications the helper and the main application exchange about
// Full Disk Access.
struct MonitorTrashDistributedNotificationNames {
    static constexpr const char* requestFullDiskAccessState = "com.halvorn.requestFullDiskAccessState";
    static constexpr const char* responseFullDiskAccessState = "com.halvorn.responseFullDiskAccessState";
    // Key of the response's user information.
    static constexpr const char* isAccessGranted = "isAccessGranted";
};
