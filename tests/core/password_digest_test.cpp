#include "storage/password_digest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<unsigned char> Bytes(const std::string& text) {
    return std::vector<unsigned char>(text.begin(), text.end());
}

// A line as the Linux launcher writes it (Python's hashlib, salt 00 01 .. 0f).
const std::string kLine =
    "pbkdf2-sha256$200000$000102030405060708090a0b0c0d0e0f$"
    "cd2a1743fba3f88754feca0707f9f57a5b8b75d4de85ca5f53defe8c7c7f965b";

}  // namespace

TEST(PasswordDigest, ReadsTheLineWithEitherLineEndOrNoneAndWritesItBack) {
    for (const char* end : {"\n", "\r\n", ""}) {
        SCOPED_TRACE(testing::Message() << "line end of " << std::string(end).size() << " bytes");
        const auto digest = ParsePasswordDigest(Bytes(kLine + end));
        ASSERT_TRUE(digest.has_value());
        EXPECT_EQ(digest->iterations, 200000u);
        for (size_t i = 0; i < kPasswordSaltSize; ++i) EXPECT_EQ(digest->salt[i], i);
        EXPECT_EQ(digest->key[0], 0xCD);
        EXPECT_EQ(digest->key[31], 0x5B);
        EXPECT_EQ(FormatPasswordDigest(*digest), Bytes(kLine + "\n"));
    }
    PasswordDigest edges;
    edges.iterations = kLeastPasswordIterations;
    for (size_t i = 0; i < kPasswordSaltSize; ++i) edges.salt[i] = static_cast<unsigned char>(0xF0 + i);
    for (size_t i = 0; i < kPasswordKeySize; ++i) edges.key[i] = static_cast<unsigned char>(i * 8);
    for (uint32_t iterations : {kLeastPasswordIterations, kPasswordIterations, kMostPasswordIterations}) {
        edges.iterations = iterations;
        const auto back = ParsePasswordDigest(FormatPasswordDigest(edges));
        ASSERT_TRUE(back.has_value()) << iterations;
        EXPECT_EQ(back->iterations, iterations);
        EXPECT_EQ(FormatPasswordDigest(*back), FormatPasswordDigest(edges));
    }
}

TEST(PasswordDigest, AnyDamageMakesTheFileUnusable) {
    const std::string salt = "000102030405060708090a0b0c0d0e0f";
    const std::string key = "cd2a1743fba3f88754feca0707f9f57a5b8b75d4de85ca5f53defe8c7c7f965b";
    const std::string damaged[] = {
        "",
        "\n",
        "pbkdf2-sha256$200000$" + salt + "$" + key.substr(0, 63),         // key one digit short
        "pbkdf2-sha256$200000$" + salt + "$" + key + "0",                 // key one digit long
        "pbkdf2-sha256$200000$" + salt.substr(2) + "$" + key,             // salt one byte short
        "pbkdf2-sha256$200000$" + salt + "00$" + key,                     // salt one byte long
        "pbkdf2-sha256$200000$" + salt + "$CD2A" + key.substr(4),         // capitals
        "pbkdf2-sha256$200000$000102030405060708090a0b0c0d0e0g$" + key,   // not hex
        "pbkdf2-sha256$99999$" + salt + "$" + key,                        // too few iterations
        "pbkdf2-sha256$10000001$" + salt + "$" + key,                     // too many
        "pbkdf2-sha256$4294967496$" + salt + "$" + key,                   // would wrap in 32 bits
        "pbkdf2-sha256$0200000$" + salt + "$" + key,                      // leading zero
        "pbkdf2-sha256$+200000$" + salt + "$" + key,                      // sign
        "pbkdf2-sha256$ 200000$" + salt + "$" + key,                      // blank
        "pbkdf2-sha256$$" + salt + "$" + key,                             // no iterations
        "pbkdf2-sha256$200000$" + salt + key,                             // a separator missing
        "pbkdf2-sha256$200000$" + salt + "$" + key + "$",                 // one too many
        "pbkdf2-sha1$200000$" + salt + "$" + key,                         // another scheme
        "PBKDF2-SHA256$200000$" + salt + "$" + key,                       // the scheme in capitals
        "\xEF\xBB\xBF" + kLine,                                           // a byte-order mark
        " " + kLine,                                                      // a blank before
        kLine + " \n",                                                    // a blank after
        kLine + "\r",                                                     // CR alone
        kLine + "\n\n",                                                   // a second line end
        kLine + "\n" + kLine + "\n",                                      // a second line
        kLine + "\n\x1A",                                                 // anything after the line
        kLine + std::string(300, '0'),                                    // far too long
        std::string("pbkdf2-sha256$200000$\0", 22) + salt.substr(1) + "$" + key,  // a NUL
    };
    for (const std::string& text : damaged) {
        SCOPED_TRACE(testing::Message() << "\"" << text << "\"");
        EXPECT_FALSE(ParsePasswordDigest(Bytes(text)).has_value());
    }
}

TEST(PasswordDigest, KeysCompareWhole) {
    PasswordDigest a, b;
    for (size_t i = 0; i < kPasswordKeySize; ++i) a.key[i] = b.key[i] = static_cast<unsigned char>(i * 7);
    EXPECT_TRUE(SameKey(a.key, b.key));
    for (size_t i : {size_t{0}, size_t{15}, kPasswordKeySize - 1}) {
        PasswordDigest c = b;
        c.key[i] ^= 0x80;
        EXPECT_FALSE(SameKey(a.key, c.key)) << i;
    }
}

TEST(PasswordDigest, ThePasswordIsHashedAsUtf8) {
    EXPECT_EQ(PasswordUtf8(L"479 zkp"), "479 zkp");
    EXPECT_EQ(PasswordUtf8(L""), "");
    EXPECT_EQ(PasswordUtf8(L"\u00B5m \u00DF"), "\xC2\xB5m \xC3\x9F");
    EXPECT_EQ(PasswordUtf8(L"\u20AC"), "\xE2\x82\xAC");
    // A pair of surrogates is one code point of four bytes; a lone one is
    // U+FFFD, as Python's and Windows' conversions make it.
    const wchar_t pair[] = {0xD83D, 0xDE00, 0};
    const wchar_t lone[] = {L'a', 0xD83D, L'b', 0xDE00, 0};
    if (sizeof(wchar_t) == 2) {
        EXPECT_EQ(PasswordUtf8(pair), "\xF0\x9F\x98\x80");
    }
    EXPECT_EQ(PasswordUtf8(lone), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}
