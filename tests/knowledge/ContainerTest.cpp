#include "ContainerTestSupport.h"
#include "knowledge/DataChangeCommon.h"
#include "knowledge/DataCompressor.h"
#include "knowledge/DataDecompressor.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace container_test;

namespace {

const std::string kDocument =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<knowledgebase version=\"1\">"
    "<app bundle=\"com.example.Foo\"><file path=\"~/Library/Caches/Foo\"/></app></knowledgebase>\n";
const std::string kLogLine = "SSZipArchive failed to unzip\n";

// A container packed by an earlier build of the packer (fixed password bytes, salts and
// IV). If this stops opening, containers already shipped stop opening too.
const std::string kEarlierContainerHex =
    "0000000001160000002F000100010000000006054B505F000000000000000000000000000000000001000000"
    "F2000000F786FE2C8100210000000800020014000002014B5057F53275CEC7BB1044A8CB77F2ECC3AA148194"
    "014FCCD5E2ECD532E1EB37661E49001E41A2DA6EB3296033450B80B5E662F0382016BE896CF60C6843EFF815"
    "E969051F17BA8DC7AE0A97D87337931FB0BB65D8F404450E63CEF1C3044D318BA21F4107304900558EC25BC3"
    "7D6AD6530C2F5D42A5BDF5797A25904BF0D1409246E5F92F5E5B16402DCB086C99DAB253E191170CCAA7F56D"
    "C6AB71FE976179E94512F641983702F3C842636B252C5CEAF6342BF42AD5C22CE51C3DB6B26CDAEF43F474B4"
    "34F5D454759414E4B564A43524D5C444558404E8951568A828E5C848658808E0A52560A020C5C04045808500"
    "8005C0FFB0004F80FA000000800000004F000000EF617F348100840000001000400028";
const std::string kEarlierDocument =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<knowledgebase version=\"1\"/>\n";

std::string flipped(std::string bytes, std::size_t offset) {
    bytes[offset] = static_cast<char>(bytes[offset] ^ 0x01);
    return bytes;
}

} // namespace

using ContainerTest = TemporaryFolderKeptTest;

TEST_F(ContainerTest, OpensWhatThePackerPacksAndNoTwoPackingsAreAlike) {
    std::string large;
    for (int i = 0; large.size() < 300 * 1024; ++i)
        large += static_cast<char>(i * 7919 >> 3) + std::to_string(i);
    for (const std::string& document : {kDocument, std::string("x"), large}) {
        auto container = DataCompressor::compressData(bytes(document));
        ASSERT_TRUE(container);
        EXPECT_EQ(text(DataDecompressor::decompressData(container->bytes())), document);
    }
    EXPECT_NE(DataCompressor::compressData(bytes(kDocument))->view(),
              DataCompressor::compressData(bytes(kDocument))->view());
}

TEST_F(ContainerTest, OpensAContainerPackedEarlier) {
    EXPECT_EQ(text(DataDecompressor::decompressData(bytes(fromHex(kEarlierContainerHex)))),
              kEarlierDocument);
}

TEST_F(ContainerTest, WipesEachIntermediateResultOnceTheNextStageHasUsedIt) {
    PackedLayers layers = packLayers(kDocument);
    WipeRecorder recorder;
    ASSERT_EQ(text(DataDecompressor::decompressData(bytes(layers.back()))), kDocument);
    // Each stage's input goes once the next stage has its result; the document goes last.
    // What an unpacking gives has room for one more byte, for the terminator the XML
    // reader adds to the document; what decrypting gives keeps the room of the whole last
    // cipher block, padding included.
    const std::size_t decrypted = (layers[1].size() / 16 + 1) * 16;
    EXPECT_TRUE(recorder.sawInOrder({layers[3].size(), layers[2].size() + 1, decrypted,
                                     layers[0].size(), kDocument.size() + 1}));
    EXPECT_TRUE(recorder.allZeroed());
}

TEST_F(ContainerTest, MalformedContainersGiveNothingAndLeaveNothingBehind) {
    const PackedLayers l = packLayers(kDocument);
    const std::string& encrypted = l[int(Layer::Encrypted)];
    auto cut = [](const std::string& s, std::size_t count) {
        return s.substr(0, s.size() - count);
    };
    const std::string passwordBytes(16, '\x5A');
    const std::string password = DataChangeCommon::hexStringFromData(bytes(passwordBytes));
    const KBCipherSalts salts{};
    auto emptyPlaintext = KBPasswordCipher::encryptData({}, password, salts);
    ASSERT_TRUE(emptyPlaintext);

    // What a container's opening says: the stage that stopped and why, with an offset.
    const std::string outer = "stage 2 of 5, unpacking the outer archive: ";
    const std::string decrypting = "stage 3 of 5, decrypting: ";
    const std::string inner = "stage 5 of 5, unpacking the document: ";
    const std::string hmacOffset = std::to_string(
        encrypted.size() - DataChangeCommon::kPasswordLength - KBPasswordCipher::kHMACSize);
    struct Case {
        const char* name;
        std::string container;
        std::size_t unzipFailures;
        std::string failure;
    };
    const Case cases[] = {
        {"empty", "", 0, "stage 1 of 5, unscrambling the container: nothing to unscramble"},
        {"container cut by one byte", cut(l.back(), 1), 1,
         outer + "the archive has no complete end record (it ends at offset " +
             std::to_string(l.back().size() + 3) + ")"},
        {"a zip archive that is not scrambled", l[int(Layer::OuterZip)], 1, outer},
        {"outer entry under another name", wrapFrom(Layer::OuterZip, makeZip({{"x", encrypted}})),
         0, outer + "the archive holds no document"},
        {"encrypted stage of 15 bytes", wrapFrom(Layer::Encrypted, encrypted.substr(0, 15)), 0,
         decrypting + "the encrypted part is 15 bytes, too short to hold its password"},
        {"a changed password byte", wrapFrom(Layer::Encrypted, flipped(encrypted, 1)), 0,
         decrypting + "the authentication code does not match"},
        {"a changed authentication code",
         wrapFrom(Layer::Encrypted, flipped(encrypted, encrypted.size() - 1)), 0,
         decrypting +
             "the authentication code does not match: damaged, or protected with "
             "another password (at offset " +
             hmacOffset + ")"},
        {"bad padding",
         wrapFrom(Layer::Encrypted,
                  placePasswordBytes(messageWithoutPadding(std::string(16, '\0'), password, salts),
                                     passwordBytes)),
         0, decrypting + "the padding of the last block is not valid (at offset 34)"},
        {"empty plaintext",
         wrapFrom(Layer::Encrypted,
                  placePasswordBytes(std::string(emptyPlaintext->view()), passwordBytes)),
         0, decrypting + "the encrypted part holds nothing"},
        {"decrypted bytes that are not scrambled",
         wrapFrom(Layer::ScrambledInner, l[int(Layer::InnerZip)]), 1, inner},
        {"inner entry empty", wrapFrom(Layer::InnerZip, makeZip({{"_", ""}})), 0,
         inner + "the archive holds no document"},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        DataDecompressor::Opening opening = DataDecompressor::openContainer(bytes(c.container));
        std::string log = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(opening.document) << c.name;
        EXPECT_TRUE(opening.failure.starts_with(c.failure)) << c.name << ": " << opening.failure;
        EXPECT_EQ(log, c.unzipFailures ? kLogLine : "") << c.name;
        EXPECT_EQ(listTree(m_tmp), m_before) << c.name;
    }
}

TEST_F(ContainerTest, ConcurrentOpeningsEachUseTheirOwnFolder) {
    auto container = DataCompressor::compressData(bytes(kDocument));
    ASSERT_TRUE(container);
    std::atomic<int> opened{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < 3; ++round)
                opened += text(DataDecompressor::decompressData(container->bytes())) == kDocument;
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(opened, 12);
}

// Eight bytes at a time, and the bytes left over one by one: every length must give the
// byte-by-byte definition, the bytes in reverse order, each with its bits reversed.
TEST(DataChangeCommon, RevertsDataAndBitsOfEveryLength) {
    for (std::size_t length = 0; length <= 19; ++length) {
        std::vector<std::uint8_t> data(length);
        for (std::size_t i = 0; i < length; ++i)
            data[i] = static_cast<std::uint8_t>(0x9D * i + 0x31);
        std::vector<std::uint8_t> expected;
        for (auto byte = data.rbegin(); byte != data.rend(); ++byte) {
            std::uint8_t reversed = 0;
            for (int bit = 0; bit < 8; ++bit)
                reversed |= static_cast<std::uint8_t>(((*byte >> bit) & 1) << (7 - bit));
            expected.push_back(reversed);
        }
        DataChangeCommon::revertDataAndBits(data);
        EXPECT_EQ(data, expected) << length << " bytes";
    }
}
