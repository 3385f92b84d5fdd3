#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

// Hands out memory that is overwritten with zeros (OPENSSL_cleanse) before it is
// given back, so that growing, shrinking or destroying a buffer never leaves a copy
// of its bytes behind in freed memory.
template <class T> struct CleansingAllocator {
    using value_type = T;
    using propagate_on_container_move_assignment = std::true_type;
    using is_always_equal = std::true_type;

    CleansingAllocator() noexcept = default;
    template <class U> CleansingAllocator(const CleansingAllocator<U>&) noexcept {}

    T* allocate(std::size_t count);
    void deallocate(T* pointer, std::size_t count) noexcept;

    template <class U> bool operator==(const CleansingAllocator<U>&) const noexcept { return true; }
};

// A mutable byte buffer for plaintext and for every intermediate result of the
// knowledge-base container pipeline. Its storage is wiped when the buffer is cleansed,
// destroyed or reallocated. Buffers move but never copy implicitly, so that no stray
// copy of a secret escapes the wiping.
class SecureBuffer {
public:
    using Storage = std::vector<std::uint8_t, CleansingAllocator<std::uint8_t>>;

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

    SecureBuffer(SecureBuffer&& other) noexcept = default;
    SecureBuffer& operator=(SecureBuffer&& other) noexcept;
    SecureBuffer(const SecureBuffer&) = delete;
    SecureBuffer& operator=(const SecureBuffer&) = delete;
    ~SecureBuffer() = default;

    std::uint8_t* data() { return m_bytes.data(); }
    const std::uint8_t* data() const { return m_bytes.data(); }
    std::size_t size() const { return m_bytes.size(); }
    bool empty() const { return m_bytes.empty(); }
    std::uint8_t& operator[](std::size_t index) { return m_bytes[index]; }
    std::uint8_t operator[](std::size_t index) const { return m_bytes[index]; }

    std::span<const std::uint8_t> bytes() const { return {m_bytes.data(), m_bytes.size()}; }
    std::span<std::uint8_t> mutableBytes() { return {m_bytes.data(), m_bytes.size()}; }
    std::string_view view() const {
        return {reinterpret_cast<const char*>(m_bytes.data()), m_bytes.size()};
    }

    void reserve(std::size_t capacity) { m_bytes.reserve(capacity); }
    void resize(std::size_t size) { m_bytes.resize(size); }
    void append(std::uint8_t byte) { m_bytes.push_back(byte); }
    void append(std::span<const std::uint8_t> bytes);

    // Wipes the bytes and releases the storage; the buffer is empty afterwards.
    void cleanse();

private:
    Storage m_bytes;
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
