#pragma once

// Names of the notifications the helper and the main application exchange: the
// application moved to the Trash, and the question about Full Disk Access.
struct MonitorTrashDistributedNotificationNames {
    // Object: the path of the application in the Trash.
    static constexpr const char* userDidMoveApplicationToTrashEvent =
        "com.halvorn.UserDidMoveApplicationToTrashEvent";
    static constexpr const char* requestFullDiskAccessState =
        "com.halvorn.requestFullDiskAccessState";
    static constexpr const char* responseFullDiskAccessState =
        "com.halvorn.responseFullDiskAccessState";
    // Key of the response's user information.
    static constexpr const char* isAccessGranted = "isAccessGranted";
};
