#include "knowledge/SecureBuffer.h"

#include <new>
#include <openssl/crypto.h>
#include <utility>

namespace {

thread_local SecureBuffer::WipeObserver t_wipeObserver;
thread_local SecureBuffer::ReleaseKeeper t_releaseKeeper;

void wipe(void* data, std::size_t size) noexcept {
    if (!data || size == 0)
        return;
    OPENSSL_cleanse(data, size);
    if (t_wipeObserver)
        t_wipeObserver({static_cast<const std::uint8_t*>(data), size});
}

} // namespace

template <class T> T* CleansingAllocator<T>::allocate(std::size_t count) {
    return static_cast<T*>(::operator new(count * sizeof(T)));
}

template <class T> void CleansingAllocator<T>::deallocate(T* pointer, std::size_t count) noexcept {
    wipe(pointer, count * sizeof(T));
    if (t_releaseKeeper && pointer) {
        t_releaseKeeper(reinterpret_cast<std::uint8_t*>(pointer), count * sizeof(T));
        return;
    }
    ::operator delete(pointer);
}

template struct CleansingAllocator<std::uint8_t>;

void SecureBuffer::setWipeObserver(WipeObserver observer) {
    t_wipeObserver = std::move(observer);
}

void SecureBuffer::setReleaseKeeper(ReleaseKeeper keeper) {
    t_releaseKeeper = std::move(keeper);
}

SecureBuffer::SecureBuffer(std::size_t size) {
    m_bytes.reserve(size);
    m_bytes.resize(size);
}

SecureBuffer::SecureBuffer(std::span<const std::uint8_t> bytes) {
    append(bytes);
}

SecureBuffer::SecureBuffer(std::string_view text)
    : SecureBuffer(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())) {}

SecureBuffer& SecureBuffer::operator=(SecureBuffer&& other) noexcept {
    if (this != &other) {
        cleanse();
        m_bytes = std::move(other.m_bytes);
    }
    return *this;
}

void SecureBuffer::append(std::span<const std::uint8_t> bytes) {
    if (m_bytes.empty() && m_bytes.capacity() < bytes.size())
        m_bytes.reserve(bytes.size());
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
}

void SecureBuffer::cleanse() {
    // Swapping with an empty vector is the one way that is sure to hand the storage
    // back (through the wiping allocator) rather than keep it around.
    Storage().swap(m_bytes);
}

ScopedCleanse::~ScopedCleanse() {
    if (m_data && m_size)
        OPENSSL_cleanse(m_data, m_size);
}
