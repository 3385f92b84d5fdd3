#pragma once

#include "platform/Bundle.h"

#include <memory>

// Told on the main thread of every application bundle that arrived in the Trash and passed the
// final application test.
class AppsInTrashWatcherListener {
public:
    virtual ~AppsInTrashWatcherListener() = default;

    virtual void onAppMovedToTrash(const std::shared_ptr<platform::Bundle>& bundle) = 0;
};
