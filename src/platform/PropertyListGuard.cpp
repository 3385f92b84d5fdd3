#include "platform/PropertyListGuard.h"

#include <algorithm>
#include <vector>

namespace platform {

namespace {

constexpr std::string_view kBinaryMagic = "bplist00";
constexpr std::size_t kTrailerSize = 32;

std::uint64_t readBigEndian(const unsigned char* bytes, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

// The parts of a binary list that the walk needs, taken from its trailer.
struct BinaryLayout {
    const unsigned char* data{nullptr};
    std::size_t tableOffset{0};
    std::size_t offsetWidth{0};
    std::size_t referenceWidth{0};
    std::uint64_t objectCount{0};
    std::uint64_t topObject{0};
};

bool readLayout(std::string_view bytes, BinaryLayout& layout) {
    if (bytes.size() < kBinaryMagic.size() + 1 + kTrailerSize)
        return false;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned char* trailer = data + bytes.size() - kTrailerSize;
    layout.data = data;
    layout.offsetWidth = trailer[6];
    layout.referenceWidth = trailer[7];
    layout.objectCount = readBigEndian(trailer + 8, 8);
    layout.topObject = readBigEndian(trailer + 16, 8);
    const std::uint64_t tableOffset = readBigEndian(trailer + 24, 8);
    const std::size_t trailerStart = bytes.size() - kTrailerSize;
    if (layout.offsetWidth < 1 || layout.offsetWidth > 8 || layout.referenceWidth < 1 ||
        layout.referenceWidth > 8)
        return false;
    if (tableOffset <= kBinaryMagic.size() || tableOffset >= trailerStart)
        return false;
    layout.tableOffset = static_cast<std::size_t>(tableOffset);
    const std::size_t tableCapacity = (trailerStart - layout.tableOffset) / layout.offsetWidth;
    return layout.objectCount >= 1 && layout.objectCount <= tableCapacity &&
           layout.topObject < layout.objectCount;
}

enum class Kind { Container, Text, OtherLeaf, Malformed };

// One object of a binary list: for containers the references that follow the marker
// (keys first, then values, for dictionaries), for strings the characters.
struct BinaryObject {
    Kind kind{Kind::Malformed};
    unsigned type{0};
    std::size_t start{0};
    std::uint64_t count{0};
};

BinaryObject readObject(const BinaryLayout& layout, std::uint64_t index) {
    BinaryObject object;
    const std::uint64_t offset = readBigEndian(
        layout.data + layout.tableOffset + index * layout.offsetWidth, layout.offsetWidth);
    if (offset < kBinaryMagic.size() || offset >= layout.tableOffset)
        return object;
    std::size_t position = static_cast<std::size_t>(offset);
    const unsigned char marker = layout.data[position++];
    object.type = marker >> 4;
    std::size_t unitWidth = 0;
    std::uint64_t perEntry = 1;
    switch (object.type) {
    case 0xA: // array
    case 0xC: // set
        unitWidth = layout.referenceWidth;
        break;
    case 0xD: // dictionary
        unitWidth = layout.referenceWidth;
        perEntry = 2;
        break;
    case 0x5: // ASCII string
        unitWidth = 1;
        break;
    case 0x6: // UTF-16 string
        unitWidth = 2;
        break;
    default:
        object.kind = Kind::OtherLeaf;
        return object;
    }

    std::uint64_t count = marker & 0x0F;
    if (count == 0x0F) {
        if (position >= layout.tableOffset)
            return object;
        const unsigned char countMarker = layout.data[position++];
        const std::size_t width = std::size_t(1) << (countMarker & 0x0F);
        if ((countMarker >> 4) != 0x1 || width > 8 || layout.tableOffset - position < width)
            return object;
        count = readBigEndian(layout.data + position, width);
        position += width;
    }
    const std::uint64_t room = (layout.tableOffset - position) / unitWidth;
    if (count > room / perEntry)
        return object;
    object.kind = object.type >= 0xA ? Kind::Container : Kind::Text;
    object.start = position;
    object.count = count * perEntry;
    return object;
}

// The library stops strings at a NUL character, and aborts on a dictionary key whose
// characters do not convert one to one, so such text is refused outright.
bool isSoundText(const BinaryLayout& layout, const BinaryObject& text) {
    const unsigned char* characters = layout.data + text.start;
    if (text.type == 0x5)
        return std::find(characters, characters + text.count, 0) == characters + text.count;
    bool expectLowSurrogate = false;
    for (std::uint64_t i = 0; i < text.count; ++i) {
        const auto unit = static_cast<std::uint16_t>(readBigEndian(characters + 2 * i, 2));
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (unit == 0 || low != expectLowSurrogate)
            return false;
        expectLowSurrogate = high;
    }
    return !expectLowSurrogate;
}

} // namespace

bool PropertyListGuard::admits(std::string_view bytes, const Limits& limits) {
    if (bytes.substr(0, kBinaryMagic.size()) == kBinaryMagic)
        return admitsBinary(bytes, limits);
    return admitsXml(bytes, limits);
}

bool PropertyListGuard::admitsBinary(std::string_view bytes, const Limits& limits) {
    BinaryLayout layout;
    if (!readLayout(bytes, layout))
        return false;

    struct Frame {
        std::uint64_t index{0};
        BinaryObject object;
        std::uint64_t next{0};
        std::uint16_t childHeight{0};
        std::uint64_t nodes{1};
    };
    enum : std::uint8_t { kUnseen, kOpen, kDone };

    // Every object is checked once; the height and expanded size of containers
    // reached through several references are remembered.
    std::vector<std::uint8_t> state(layout.objectCount, kUnseen);
    std::vector<std::uint16_t> height(layout.objectCount, 0);
    std::vector<std::uint64_t> nodes(layout.objectCount, 1);
    std::vector<Frame> stack;

    // Checks a leaf, or opens a container as a new frame; false for anything unsound.
    auto enter = [&](std::uint64_t index, bool asKey) {
        const BinaryObject object = readObject(layout, index);
        if (object.kind == Kind::Malformed || (asKey && object.kind != Kind::Text))
            return false;
        if (object.kind == Kind::Container) {
            if (stack.size() >= limits.maxDepth)
                return false;
            state[index] = kOpen;
            stack.push_back(Frame{.index = index, .object = object});
            return true;
        }
        if (object.kind == Kind::Text && !isSoundText(layout, object))
            return false;
        state[index] = kDone;
        return true;
    };

    if (!enter(layout.topObject, false))
        return false;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.object.count) {
            const auto finishedHeight = static_cast<std::uint16_t>(frame.childHeight + 1);
            const std::uint64_t finishedNodes = frame.nodes;
            state[frame.index] = kDone;
            height[frame.index] = finishedHeight;
            nodes[frame.index] = finishedNodes;
            stack.pop_back();
            if (stack.empty())
                return true;
            Frame& parent = stack.back();
            parent.childHeight = std::max(parent.childHeight, finishedHeight);
            parent.nodes += finishedNodes;
            if (parent.nodes > limits.maxNodes)
                return false;
            continue;
        }

        const std::uint64_t child =
            readBigEndian(layout.data + frame.object.start + frame.next * layout.referenceWidth,
                          layout.referenceWidth);
        const bool asKey = frame.object.type == 0xD && frame.next < frame.object.count / 2;
        ++frame.next;
        if (child >= layout.objectCount || state[child] == kOpen)
            return false;
        if (state[child] == kUnseen) {
            if (!enter(child, asKey))
                return false;
            if (state[child] == kOpen)
                continue;
        } else if (asKey && readObject(layout, child).kind != Kind::Text) {
            return false;
        }
        // `frame` is still the top: only containers push frames.
        if (stack.size() + height[child] > limits.maxDepth)
            return false;
        frame.childHeight = std::max(frame.childHeight, height[child]);
        frame.nodes += nodes[child];
        if (frame.nodes > limits.maxNodes)
            return false;
    }
    return true;
}

bool PropertyListGuard::admitsXml(std::string_view bytes, const Limits& limits) {
    // Counts open elements, skipping the constructs that hold no elements. Leaf
    // elements (<string>) and the <plist> element sit above the innermost container,
    // hence the allowance of two.
    const std::size_t limit = limits.maxDepth + 2;
    std::size_t depth = 0;
    std::size_t position = 0;
    auto skipPast = [&](std::string_view terminator) {
        const std::size_t end = bytes.find(terminator, position);
        position = end == std::string_view::npos ? bytes.size() : end + terminator.size();
    };
    while ((position = bytes.find('<', position)) != std::string_view::npos) {
        const std::string_view rest = bytes.substr(position);
        if (rest.starts_with("<?")) {
            skipPast("?>");
        } else if (rest.starts_with("<!--")) {
            skipPast("-->");
        } else if (rest.starts_with("<![CDATA[")) {
            skipPast("]]>");
        } else if (rest.starts_with("<!")) {
            const std::size_t bracket = bytes.find_first_of("[>", position);
            if (bracket != std::string_view::npos && bytes[bracket] == '[') {
                position = bracket;
                skipPast("]");
            }
            skipPast(">");
        } else if (rest.starts_with("</")) {
            skipPast(">");
            if (depth > 0)
                --depth;
        } else {
            // Finds the end of the tag, stepping over quoted attribute values.
            char quote = 0;
            std::size_t end = position + 1;
            for (; end < bytes.size(); ++end) {
                const char c = bytes[end];
                if (quote) {
                    if (c == quote)
                        quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    break;
                }
            }
            if (end >= bytes.size())
                return true;
            position = end + 1;
            if (bytes[end - 1] != '/' && ++depth > limit)
                return false;
        }
    }
    return true;
}

} // namespace platform
