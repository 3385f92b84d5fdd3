#pragma once

class RemainsInfo;

// Told on the main thread whenever the total size of a remains entry grows.
class RemainsInfoListener {
public:
    virtual ~RemainsInfoListener() = default;

    virtual void onSimpleRemainsInfoChanged(const RemainsInfo* info) = 0;
};
