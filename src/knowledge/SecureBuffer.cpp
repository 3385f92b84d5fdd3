#include "knowledge/SecureBuffer.h"

#include "platform/MemoryRelease.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <openssl/crypto.h>
#include <utility>

namespace {

thread_local SecureBuffer::WipeObserver t_wipeObserver;
thread_local SecureBuffer::ReleaseKeeper t_releaseKeeper;

void wipe(void* data, std::size_t size) noexcept {
    if (!data || size == 0)
        return;
    // The C library's zeroing that the compiler may not drop, at the speed of memset:
    // a load wipes some 15 MB, which OpenSSL's byte-careful loop took 2 ms over.
    explicit_bzero(data, size);
    if (t_wipeObserver)
        t_wipeObserver({static_cast<const std::uint8_t*>(data), size});
}

} // namespace

void SecureBuffer::setWipeObserver(WipeObserver observer) {
    t_wipeObserver = std::move(observer);
}

void SecureBuffer::setReleaseKeeper(ReleaseKeeper keeper) {
    t_releaseKeeper = std::move(keeper);
}

SecureBuffer::SecureBuffer(std::size_t size) {
    resize(size);
}

SecureBuffer::SecureBuffer(std::span<const std::uint8_t> bytes) {
    append(bytes);
}

SecureBuffer::SecureBuffer(std::string_view text)
    : SecureBuffer(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())) {}

SecureBuffer SecureBuffer::takeMapping(std::uint8_t* data, std::size_t size, std::size_t length) {
    SecureBuffer buffer;
    if (!data || length == 0)
        return buffer;
    buffer.m_data = data;
    buffer.m_size = std::min(size, length);
    buffer.m_capacity = length;
    buffer.m_mapped = true;
    return buffer;
}

SecureBuffer::SecureBuffer(SecureBuffer&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)),
      m_mapped(std::exchange(other.m_mapped, false)),
      m_discardedFrom(std::exchange(other.m_discardedFrom, 0)),
      m_discardedTo(std::exchange(other.m_discardedTo, 0)) {}

SecureBuffer& SecureBuffer::operator=(SecureBuffer&& other) noexcept {
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
        m_mapped = std::exchange(other.m_mapped, false);
        m_discardedFrom = std::exchange(other.m_discardedFrom, 0);
        m_discardedTo = std::exchange(other.m_discardedTo, 0);
    }
    return *this;
}

void SecureBuffer::reserve(std::size_t capacity) {
    if (capacity > m_capacity)
        reallocate(capacity);
}

void SecureBuffer::resize(std::size_t size) {
    if (size > m_capacity)
        reallocate(size);
    if (size > m_size)
        std::memset(m_data + m_size, 0, size - m_size);
    m_size = size;
}

void SecureBuffer::append(std::uint8_t byte) {
    if (m_size == m_capacity)
        reallocate(std::max<std::size_t>(16, 2 * m_capacity));
    m_data[m_size++] = byte;
}

void SecureBuffer::append(std::span<const std::uint8_t> bytes) {
    if (bytes.empty())
        return;
    if (bytes.size() > m_capacity - m_size)
        reallocate(std::max(m_size + bytes.size(), 2 * m_capacity));
    std::memcpy(m_data + m_size, bytes.data(), bytes.size());
    m_size += bytes.size();
}

void SecureBuffer::reallocate(std::size_t capacity) {
    auto* storage = static_cast<std::uint8_t*>(::operator new(capacity));
    if (m_size > 0)
        std::memcpy(storage, m_data, m_size);
    const std::size_t size = m_size;
    release();
    m_data = storage;
    m_size = size;
    m_capacity = capacity;
}

std::size_t SecureBuffer::discardBetween(std::size_t from, std::size_t to, std::size_t minimumRun) {
    if (!m_data || to > m_capacity || from > to)
        return 0;
    const std::size_t page = platform::MemoryRelease::pageSize();
    const auto start = reinterpret_cast<std::uintptr_t>(m_data);
    const std::uintptr_t firstPage = (start + from + page - 1) / page * page;
    const std::uintptr_t end = (start + to) / page * page;
    const std::size_t first = m_discardedTo > 0 ? m_discardedTo : firstPage - start;
    if (end <= start + first || end - start - first < std::max<std::size_t>(minimumRun, 1))
        return 0;
    const std::size_t length = end - start - first;
    wipe(m_data + first, length);
    if (m_mapped)
        platform::MemoryRelease::discardSharedPages(m_data + first, length);
    else
        platform::MemoryRelease::discardPages(m_data + first, length);
    if (m_discardedTo == 0)
        m_discardedFrom = first;
    m_discardedTo = end - start;
    return length;
}

void SecureBuffer::cleanse() {
    release();
}

void SecureBuffer::release() noexcept {
    if (!m_data)
        return;
    // Pages already handed back are not written again: that would only bring them back.
    if (m_discardedTo > 0) {
        wipe(m_data, m_discardedFrom);
        wipe(m_data + m_discardedTo, m_capacity - m_discardedTo);
    } else {
        wipe(m_data, m_capacity);
    }
    std::uint8_t* storage = std::exchange(m_data, nullptr);
    const std::size_t capacity = std::exchange(m_capacity, 0);
    const bool mapped = std::exchange(m_mapped, false);
    m_size = 0;
    m_discardedFrom = 0;
    m_discardedTo = 0;
    if (mapped) {
        // A keeper frees what it is given with ::operator delete: it gets a copy of the
        // wiped mapping, which is what stays behind in the file's pages.
        if (t_releaseKeeper) {
            try {
                auto* copy = static_cast<std::uint8_t*>(::operator new(capacity));
                std::memcpy(copy, storage, capacity);
                t_releaseKeeper(copy, capacity);
            } catch (const std::bad_alloc&) {
            }
        }
        platform::MemoryRelease::unmap(storage, capacity);
        return;
    }
    if (t_releaseKeeper) {
        t_releaseKeeper(storage, capacity);
        return;
    }
    ::operator delete(storage);
}

ScopedCleanse::~ScopedCleanse() {
    if (m_data && m_size)
        OPENSSL_cleanse(m_data, m_size);
}
