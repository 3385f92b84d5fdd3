#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

// A mutable byte buffer for plaintext and for every intermediate result of the
// knowledge-base container pipeline. Its storage is overwritten with zeros
// (OPENSSL_cleanse) before it is given back, when the buffer is cleansed, destroyed or
// reallocated, so that no copy of its bytes is left behind in freed memory. Buffers
// move but never copy implicitly, so that no stray copy of a secret escapes the wiping.
class SecureBuffer {
public:
    // Called on the current thread with every region of buffer storage right after it
    // has been wiped and just before it is released. Tests use it to watch that
    // buffers are wiped, and when; production code never sets it.
    using WipeObserver = std::function<void(std::span<const std::uint8_t> wiped)>;
    static void setWipeObserver(WipeObserver observer);

    // While set, storage released on the current thread is handed to the keeper right
    // after it has been wiped, instead of being freed, so that a test can still read
    // it once the code under test is done. The keeper owns the storage from then on
    // and frees it with ::operator delete. Production code never sets it.
    using ReleaseKeeper = std::function<void(std::uint8_t* storage, std::size_t size)>;
    static void setReleaseKeeper(ReleaseKeeper keeper);

    SecureBuffer() = default;
    // A buffer of `size` zero bytes, allocated exactly.
    explicit SecureBuffer(std::size_t size);
    explicit SecureBuffer(std::span<const std::uint8_t> bytes);
    explicit SecureBuffer(std::string_view text);

    // Takes over a shared mapping of a file (platform::ContainerScratchFolder::mapFile):
    // `size` bytes of content in `length` mapped bytes, which the buffer wipes and
    // unmaps as it would release heap storage. Growing it past `length` moves the bytes
    // to the heap.
    static SecureBuffer takeMapping(std::uint8_t* data, std::size_t size, std::size_t length);

    SecureBuffer(SecureBuffer&& other) noexcept;
    SecureBuffer& operator=(SecureBuffer&& other) noexcept;
    SecureBuffer(const SecureBuffer&) = delete;
    SecureBuffer& operator=(const SecureBuffer&) = delete;
    ~SecureBuffer() { release(); }

    std::uint8_t* data() { return m_data; }
    const std::uint8_t* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    std::size_t capacity() const { return m_capacity; }
    bool empty() const { return m_size == 0; }
    std::uint8_t& operator[](std::size_t index) { return m_data[index]; }
    std::uint8_t operator[](std::size_t index) const { return m_data[index]; }

    std::span<const std::uint8_t> bytes() const { return {m_data, m_size}; }
    std::span<std::uint8_t> mutableBytes() { return {m_data, m_size}; }
    std::string_view view() const { return {reinterpret_cast<const char*>(m_data), m_size}; }

    // Room for `capacity` bytes in all; a larger storage is allocated exactly.
    void reserve(std::size_t capacity);
    // Bytes added at the end are zeros.
    void resize(std::size_t size);
    void append(std::uint8_t byte);
    void append(std::span<const std::uint8_t> bytes);

    // Wipes the whole pages of the storage that lie between `from` and `to` and hands
    // them back to the system, for a reader that is done with that part of a large
    // buffer. The first call starts at `from`; later ones go on where the previous one
    // stopped (everything from the first `from` on must be spent by then), but only once
    // at least `minimumRun` bytes have come together since. The bytes there read as
    // zeros afterwards, and the wiping at release passes over them rather than bring
    // them back. Only pages that lie wholly in the range and in the storage are handed
    // back. Returns the number of bytes handed back by this call.
    std::size_t discardBetween(std::size_t from, std::size_t to, std::size_t minimumRun = 0);

    // Wipes the bytes and releases the storage; the buffer is empty afterwards.
    void cleanse();

private:
    void reallocate(std::size_t capacity);
    void release() noexcept;

    std::uint8_t* m_data{nullptr};
    std::size_t m_size{0};
    std::size_t m_capacity{0};
    // The storage is a file's shared mapping rather than the heap's.
    bool m_mapped{false};
    // The part of the storage already wiped and handed back, in whole pages; empty
    // until discardBetween() hands some back.
    std::size_t m_discardedFrom{0};
    std::size_t m_discardedTo{0};
};

// Overwrites a plain buffer (a password string, a derived key) with zeros on every
// way out of a scope.
class ScopedCleanse {
public:
    ScopedCleanse(void* data, std::size_t size) : m_data(data), m_size(size) {}
    ~ScopedCleanse();
    ScopedCleanse(const ScopedCleanse&) = delete;
    ScopedCleanse& operator=(const ScopedCleanse&) = delete;

private:
    void* m_data{nullptr};
    std::size_t m_size{0};
};
