#pragma once

#include <memory>

class SimpleRemainsInfo;

// Told on the main thread whenever the total size of a remains object grows.
class SimpleRemainsInfoListener {
public:
    virtual ~SimpleRemainsInfoListener() = default;

    virtual void onSimpleRemainsInfoChanged(const std::shared_ptr<SimpleRemainsInfo>& info) = 0;
};
